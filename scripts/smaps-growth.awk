# Growth, in KiB, of one kind of memory between two copies of /proc/PID/smaps, one line per
# mapping that changed: a file's mappings summed under its name, an anonymous one under its start
# address. field is Anonymous or Private (clean and dirty).
# Usage: awk -v field=Anonymous -f smaps-growth.awk EARLY LATE
/^[0-9a-f]+-[0-9a-f]+ / {
    split($1, range, "-")
    key = NF >= 6 ? $6 : "anonymous at " range[1]
    next
}
$1 == field ":" || (field == "Private" && $1 ~ /^Private_(Clean|Dirty):$/) {
    kib[FILENAME == ARGV[1] ? 0 : 1, key] += $2
    seen[key] = 1
}
END {
    for (key in seen) {
        change = kib[1, key] - kib[0, key]
        if (change != 0) {
            printf "%+d %s\n", change, key
        }
    }
}
