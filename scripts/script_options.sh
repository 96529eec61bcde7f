# Sourced by every script: --help on stdout (exit 0), --version from CMakeLists.txt (exit 0),
# and any other option starting with "-" refused on stderr (exit 2), except those the script
# allows in ALLOWED_OPTIONS (glob patterns); an option given twice is refused too, as the
# tools do. Call: handle_common_options "$usage" "$@"
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

# Prints "NAME: MESSAGE" and a pointer to --help on stderr, and exits 2.
usage_error() {
    local name
    name=$(basename "$0")
    echo "$name: $1" >&2
    echo "Try \"$name --help\"." >&2
    exit 2
}

handle_common_options() {
    local usage=$1 name given=" "
    name=$(basename "$0")
    shift
    for word in "$@"; do
        case $word in
            --help) printf '%s\n' "$usage"; exit 0 ;;
            --version) echo "$name (glyphbox-lcd) $(project_version)"; exit 0 ;;
        esac
    done
    for word in "$@"; do
        case $word in
            -*)
                allowed "$word" || usage_error "unknown option \"$word\""
                [[ $given != *" $word "* ]] || usage_error "$word is given twice; give it once"
                given+="$word " ;;
        esac
    done
}
