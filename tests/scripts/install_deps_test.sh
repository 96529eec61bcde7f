#!/bin/bash
# install_deps.sh against a stub apt-get: a mirror that is half-synced, a wine32 that cannot
# be installed, a package that does not exist. Each row: lists that fail to update (how many
# tries; "user": not root, and all but wine32 installed), packages apt-get refuses, the exit
# code wanted, a text wanted on stderr. Otherwise root, with nothing installed.
set -u
script=$1
rows=(
    "1|-|0|trying again in 10 s"
    "9|-|0|going on with the lists that were:\n  http://mirror/i386/Packages.xz  File has unexpected size"
    "0|wine32:i386|0|the Windows tests run as a 64-bit build"
    "0|wine32:i386 lcdproc|1|apt-get could not install.*\n  E: Unable to locate package lcdproc"
    "0|tmux=Killed|1|apt-get could not install.*\n  Killed"
    "user|-|0|is not installed: the Windows tests run as a 64-bit build"
)
stubs=$(mktemp -d) || exit 1
trap 'rm -rf "$stubs"' EXIT
cat >"$stubs/apt-get" <<'STUB'
#!/bin/bash
if [ "$1" = update ]; then
    n=$(($(cat "$STUBS/updates" 2>/dev/null || echo 0) + 1)); echo $n >"$STUBS/updates"
    [ "$n" -gt "$UPDATE_FAILS" ] && exit 0
    echo "E: Failed to fetch http://mirror/i386/Packages.xz  File has unexpected size (1 != 2)"
    exit 100
fi
echo "$*" >>"$STUBS/installs"
for refused in $REFUSED; do  # PACKAGE or PACKAGE=WHAT_APT_GET_SAYS
    words=${refused#*=} refused=${refused%%=*}
    [ "$words" != "$refused" ] || words="E: Unable to locate package $refused"
    [[ " $* " == *" $refused "* ]] && { echo "$words"; exit 100; }
done
exit 0
STUB
printf '#!/bin/sh\n[ "$UPDATE_FAILS$3" = userwine32:i386 ] || [ "$UPDATE_FAILS" != user ] || echo -n "install ok installed"\n' >"$stubs/dpkg-query"
printf '#!/bin/sh\necho i386\n' >"$stubs/dpkg"
printf '#!/bin/sh\n[ "$UPDATE_FAILS" = user ] && echo 1000 || echo 0\n' >"$stubs/id"
printf '#!/bin/sh\necho "$1" >>"$STUBS/sleeps"\n' >"$stubs/sleep"
chmod +x "$stubs"/*
failed=0
for row in "${rows[@]}"; do
    IFS='|' read -r update_fails refused want_rc want_text <<<"$row"
    [ "$refused" = - ] && refused=
    rm -f "$stubs"/{updates,installs,sleeps}
    stderr=$(STUBS=$stubs UPDATE_FAILS=$update_fails REFUSED=$refused PATH="$stubs:$PATH" \
        bash "$script" test 2>&1 >/dev/null)
    rc=$?
    if [ "$rc" -ne "$want_rc" ] || ! grep -Pzq "$want_text" <<<"$stderr"; then
        printf 'FAIL row "%s": exit %s, stderr:\n%s\n' "$row" "$rc" "$stderr"
        failed=1
    fi
    # Going on without 32-bit Wine installs every other package all the same.
    last_install=$(tail -n 1 "$stubs/installs" 2>/dev/null)
    if [ "$refused" = wine32:i386 ] && [[ $last_install != *lcdproc* || $last_install == *wine32* ]]; then
        printf 'FAIL row "%s": the last install was: %s\n' "$row" "$last_install"
        failed=1
    fi
done
[ "$failed" -eq 0 ] && echo "all ${#rows[@]} rows passed"
exit $failed
