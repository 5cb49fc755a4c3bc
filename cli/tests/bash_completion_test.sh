#!/usr/bin/env bash
# The bash completion of tavrilo-calc, as bash-completion loads it: options
# from the program's own --help, file names after --svg, --bars-csv, --csv and
# the order's options.
#   bash_completion_test.sh COMPLETION_FILE TAVRILO_CALC
set -uo pipefail
completion=$(realpath "$1")
calc=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/files"
ln -s "$calc" "$work/bin/tavrilo-calc"
touch "$work/files/mesh.svg" "$work/files/rows.csv" "$work/files/site.xlsx"
export PATH="$work/bin:$PATH"
cd "$work/files" || exit 1

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"

complete_line() { # prints the candidates for the words given, the last one being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _tavrilo_calc tavrilo-calc "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

failed=0
# words before | the word being completed | the candidates, space-separated
while IFS='|' read -r before cur want; do
    # shellcheck disable=SC2086 # before is a list of words
    got=$(complete_line tavrilo-calc $before "$cur" | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$want" ]; then
        echo "FAIL: tavrilo-calc $before $cur<TAB>: got '$got', expected '$want'"
        failed=1
    fi
done <<'CASES'
|--b|--bars --bars-csv --bom --breakdown
1.3 0.0065 0.1|--t|--two-way
|--v|--version
--svg||mesh.svg
--bars-csv||rows.csv
--csv||- mesh.svg rows.csv site.xlsx
--csv|r|rows.csv
|--or|--order --order-csv --order-svg --order-xlsx
--order||- mesh.svg rows.csv site.xlsx
--order-svg||mesh.svg
--order-xlsx||site.xlsx
|--pr|--prepared-by
--lap|3|36d
CASES
[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
