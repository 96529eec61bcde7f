# Sourced by every script: --help on stdout (exit 0), --version from CMakeLists.txt (exit 0),
# and any other option starting with "-" refused on stderr (exit 2), except those the script
# allows in ALLOWED_OPTIONS (glob patterns). Call: handle_common_options "$usage" "$@"
project_version() {
    local cmakelists
    cmakelists="$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt"
    version_of() { sed -n "s/^set($1_VERSION \(.*\))\$/\1/p" "$cmakelists"; }
    echo "glyphbox $(version_of GLYPHBOX), vistune $(version_of VISTUNE)"
}

allowed() {
    local pattern
    for pattern in ${ALLOWED_OPTIONS:-}; do
        # shellcheck disable=SC2053  # the pattern is a glob on purpose
        [[ $1 == $pattern ]] && return 0
    done
    return 1
}

handle_common_options() {
    local usage=$1 name
    name=$(basename "$0")
    shift
    for word in "$@"; do
        case $word in
            --help) printf '%s\n' "$usage"; exit 0 ;;
            --version) echo "$name (glyphbox-lcd) $(project_version)"; exit 0 ;;
            -*)
                allowed "$word" && continue
                echo "$name: unknown option \"$word\"" >&2
                echo "Try \"$name --help\"." >&2
                exit 2 ;;
        esac
    done
}
