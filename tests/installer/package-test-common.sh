# Shared by the package tests: failures counted, not fatal, and a user's data that no uninstall
# may touch. Sourced after wine-common.sh, with the test environment in use.

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

user_data=$("$WINE" winepath -u "$("$WINE" cmd /c echo '%APPDATA%' | tr -d '\r')")
user_data=$user_data/VeltranoSystems/Alvena
user_profile='{"email":"ana@example.org","name":"Ana"}'
user_history='[{"id":"h1","email":"ana@example.org","type":"chat","title":"Chat","preview":"Fiebre","detail":"Fiebre de 38,5","createdAt":"1700000000000"}]'

seed_user_data() {
    mkdir -p "$user_data/history"
    printf '%s' "$user_profile" >"$user_data/profile.json"
    printf '%s' "$user_history" >"$user_data/history/ana@example.org.json"
}

remove_user_data() {
    rm -f "$user_data/profile.json" "$user_data/history/ana@example.org.json"
}

# $1 says what ran: "the uninstall", say.
expect_user_data_kept() {
    [ "$(cat "$user_data/profile.json")" = "$user_profile" ] || fail "$1 lost the profile"
    [ "$(cat "$user_data/history/ana@example.org.json")" = "$user_history" ] ||
        fail "$1 lost the history"
}
