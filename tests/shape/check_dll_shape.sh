#!/bin/bash
# check_dll_shape.sh [--ordinals] DLL OBJDUMP MAX_BYTES VERSION STRING_TABLE EXPORT...
# The DLL is 32-bit, exports exactly the names given (with --ordinals, as ordinals 1, 2, ...
# in the order given), imports
# only Windows system DLLs, carries its version resource with the string table named
# (language and code page, "041504B0") and stays under MAX_BYTES.
set -u
by_ordinal=false
if [ "$1" = "--ordinals" ]; then by_ordinal=true; shift; fi
dll=$1 objdump=$2 max_bytes=$3 version=$4 string_table=$5; shift 5
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dump=$("$objdump" -p "$dll") || { echo "FAIL: cannot read $dll"; exit 1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not a 32-bit (pei-i386) DLL"

# The name table lists "[ n] name" for every exported name, n being the ordinal less one.
table=$(awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {gsub(/[][]/, ""); print $1 + 1, $NF} t && /^$/ {t=0}' <<<"$dump")
if $by_ordinal; then
    exports=$(sort -n <<<"$table")
    expected=$(n=0; for name in "$@"; do n=$((n + 1)); echo "$n $name"; done)
else
    exports=$(awk '{print $2}' <<<"$table" | sort)
    expected=$(printf '%s\n' "$@" | sort)
fi
[ "$exports" = "$expected" ] || fail "exports are [$(echo $exports)], expected [$(echo $expected)]"

imports=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$dump" | sort -u)
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|COMCTL32|MSVCRT|OLE32|API-MS-WIN-.*)\.DLL$'
for import in $imports; do
    grep -qE "$system_dlls" <<<"$import" || fail "imports $import, not a Windows system DLL"
done

size=$(stat -c %s "$dll")
[ "$size" -lt "$max_bytes" ] || fail "$size bytes, the limit is $max_bytes"

# The version resource stores its strings as UTF-16LE.
hex() { od -An -tx1 -v | tr -s ' \n' '  '; }
utf16() { printf "%s" "$1" | iconv -t UTF-16LE | hex; }
contents=$(hex <"$dll")
grep -qF "$(utf16 "$version")" <<<"$contents" || fail "no version resource with $version"
grep -qF "$(utf16 "$string_table")" <<<"$contents" || fail "no version string table $string_table"

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "OK: $dll is pei-i386, $size bytes, exports [$(echo $exports)], imports [$(echo $imports)]"
