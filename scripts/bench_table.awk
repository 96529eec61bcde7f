# bench.sh's table: per benchmark, the best median over the processes of each build (a slow
# stretch of the machine then spoils one process, not the figure), side by side. Input: the
# CSV files of every process, named NAME.native.N.csv and NAME.windows.N.csv; -v windows=PRESET.
# A benchmark that failed in a build, or is missing from it, shows "failed" there, never a
# figure no run gave.
BEGIN { FS = "," }
FNR == 1 { build = FILENAME ~ /\.native\./ ? "native" : "windows"; next }
{
    name = $1; gsub(/"/, "", name)
    if (name ~ /_(mean|stddev|cv)$/) next
    sub(/_median$/, "", name)
    if (!(name in unit)) { order[++count] = name; unit[name] = $5 }
    if ($9 == "true") next
    key = build SUBSEP name
    if (!(key in best) || $4 + 0 < best[key]) best[key] = $4 + 0
}
function shown(build, name) {
    return (build, name) in best ? sprintf("%.1f %s", best[build, name], unit[name]) : "failed"
}
END {
    if (count == 0) { print "(no benchmark of this program was run)"; exit }
    printf "| benchmark | native | %s under Wine | ratio |\n|---|---|---|---|\n", windows
    for (i = 1; i <= count; i++) {
        name = order[i]
        # Tested with "in" only: reading a missing figure would make it, as 0.
        ratio = "-"
        if (("native", name) in best && ("windows", name) in best && best["native", name] > 0)
            ratio = sprintf("%.1fx", best["windows", name] / best["native", name])
        printf "| %s | %s | %s | %s |\n", name, shown("native", name), shown("windows", name), ratio
    }
}
