# Sourced by the scripts that install Debian packages. A mirror in the middle of a sync
# serves some index files with the wrong size for a while, and apt-get update then fails
# although every other list arrived: try again a few times, then go on with what was
# fetched and say which lists are missing. Call: update_package_lists
update_package_lists() {
    local attempt output
    for attempt in 1 2 3; do
        if output=$(apt-get update -qq 2>&1); then
            return 0
        fi
        [ "$attempt" -eq 3 ] && break
        echo "Some package lists could not be fetched; trying again in $((attempt * 10)) s." >&2
        sleep $((attempt * 10))
    done
    echo "These package lists could not be fetched; going on with the lists that were:" >&2
    failed_lists "$output" >&2
}

# The "Failed to fetch" lines of apt-get update, one list a line with apt-get's reason, or
# apt-get's own error lines when it named none.
failed_lists() {
    local lines
    lines=$(printf '%s\n' "$1" | sed -n 's/^E: Failed to fetch /  /p')
    [ -n "$lines" ] || lines=$(printf '%s\n' "$1" | grep -E '^(E|Err):' | sed 's/^/  /' || true)
    printf '%s\n' "${lines:-  (apt-get update failed and said nothing more)}"
}
