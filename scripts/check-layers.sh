#!/usr/bin/env bash
# Fails when an include goes against the layers: a folder includes only from the folders its
# row below allows, a headless layer includes no Qt header, and the command-line tool links
# no Qt. Every broken include is named with file:line and the rule it breaks.
# Usage: check-layers.sh SOURCE_DIR [CARTERA_CLI]
set -uo pipefail
root="${1:?source folder}"
cli="${2:-}"
status=0

# Folder -> the folders its code may include from, besides itself. Every folder of the project
# (one with a CMakeLists.txt) is read, so a new one needs its row. The workstation (app/gui)
# loads the portfolio module at run time, so it includes neither window/ nor dialogs/; the
# window includes the dialogs, never the other way round. statements/ sits above grids/:
# Cartera's own CSV is read by the movements grid's headings. rates/ stands beside
# commissions/, on the file layer and the text readers alone.
headless="resources host text commissions rates model grids statements analytics"
declare -A allowed=(
    [resources]=""
    [host]="resources"
    [host/qt]="resources host"
    [text]="resources host"
    [commissions]="resources host text"
    [rates]="host text"
    [model]="resources host text commissions"
    [grids]="resources host text commissions model"
    [statements]="resources host text commissions rates model grids"
    [analytics]="resources host text commissions model grids"
    [framework]="$headless host/qt"
    [dialogs]="$headless host/qt framework"
    [window]="$headless host/qt framework dialogs"
    [app/cli]="$headless"
    [app/gui]="$headless host/qt framework"
    [testing]="$headless host/qt app/cli"
    [fuzz]="$headless testing"
    [bench]="$headless testing"
)

# The layer a project path belongs to: a row of the table, the longest that matches.
layer_of() {
    case "$1" in
        host/qt/*) layer=host/qt ;;
        app/cli/*) layer=app/cli ;;
        app/gui/*) layer=app/gui ;;
        */*) layer="${1%%/*}" ;;
        *) layer="" ;;
    esac
}

# Tests (and the helpers only tests use) may also include testing/.
is_test() {
    case "$1" in
        *_test.cc | */testing/* | testing/* | */test_*) return 0 ;;
        *) return 1 ;;
    esac
}

include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)"'
while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    line="${rest%%:*}"
    text="${rest#*:}"
    [[ "$text" =~ $include_re ]] || continue
    target="${BASH_REMATCH[1]}"
    layer_of "$file"
    from="$layer"
    layer_of "$target"
    to="$layer"
    [ "$from" = "$to" ] && continue
    rule="${allowed[$from]-}"
    is_test "$file" && rule="$rule testing"
    if [ -z "${allowed[$from]+known}" ]; then
        echo "$file:$line: $from/ has no row in the layer table"
        status=1
    elif [ -z "$to" ] || [ -z "${allowed[$to]+known}" ]; then
        echo "$file:$line: includes \"$target\", outside every layer"
        status=1
    elif [[ " $rule " != *" $to "* ]]; then
        read -ra words <<<"$rule"
        printf -v rule '%s, ' "${words[@]}"
        rule="${rule%, }"
        echo "$file:$line: includes \"$target\"; rule: $from/ may include only ${rule:-itself}"
        status=1
    fi
done < <(cd "$root" && for d in */CMakeLists.txt; do echo "${d%/*}"; done |
    xargs grep -rnE "$include_re" --include='*.h' --include='*.cc' --include='*.cpp')

# Inside model/, the ledger's parts stand below its face (sistema.h) and apart: a part's files
# include only the parts its row allows. The face, the file store and the undo history above
# them may include any part.
declare -A part_of=(
    [journal]=journal [trade_book]=trade_book [matching]=trade_book [totals]=totals
    [capital]=totals [live_valuation]=live_valuation [quotes]=live_valuation [body]=body
)
declare -A part_allowed=(
    [journal]="" [trade_book]="journal" [totals]="" [live_valuation]="journal trade_book"
    [body]="journal"
)
while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    line="${rest%%:*}"
    [[ "${rest#*:}" =~ $include_re ]] || continue
    target="${BASH_REMATCH[1]}"
    name="${file#model/}"
    name="${name%.*}"
    from="${part_of[$name]-}"
    [ -n "$from" ] || continue
    case "$target" in model/*) ;; *) continue ;; esac
    tname="${target#model/}"
    tname="${tname%.h}"
    if [ "$tname" = sistema ]; then
        echo "$file:$line: includes \"$target\"; the ledger's part $from stands below the ledger"
        status=1
        continue
    fi
    to="${part_of[$tname]-}"
    [ -z "$to" ] || [ "$to" = "$from" ] && continue
    if [[ " ${part_allowed[$from]} " != *" $to "* ]]; then
        echo "$file:$line: includes \"$target\"; the ledger's part $from may include only: ${part_allowed[$from]:-no other part}"
        status=1
    fi
done < <(cd "$root" && grep -nE "$include_re" model/*.h model/*.cc | grep -v '_test\.cc:')

hits=$(cd "$root" && grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
    host text commissions rates model statements grids analytics --include='*.h' --include='*.cc' --include='*.cpp' \
    | grep -v '^host/qt/')
if [ -n "$hits" ]; then
    echo "Qt headers in a headless layer:"
    echo "$hits"
    status=1
fi
# The file system, clock and home folder are handed in (host/context.h), never process globals.
# The removed hooks' names, each spelled with a class so this line does not name them itself.
hits=$(cd "$root" && for d in */CMakeLists.txt; do echo "${d%/*}"; done |
    xargs grep -rnwE '(Set)?Current[E]nv|Installed[E]nv|Scoped[E]nv|Set[C]lock|(Set)?Home[F]older|Context[I]nstalled' \
        --include='*.h' --include='*.cc' --include='*.cpp')
if [ -n "$hits" ]; then
    echo "a removed process-wide hook named; hand a Context in instead:"
    echo "$hits"
    status=1
fi
if [ -n "$cli" ]; then
    if ! [ -x "$cli" ]; then
        echo "no executable at $cli"
        status=1
    elif ldd "$cli" | grep -qi 'libQt'; then
        echo "$cli links Qt:"
        ldd "$cli" | grep -i 'libQt'
        status=1
    fi
fi
[ $status -eq 0 ] && echo "layers apart: every include follows the table, no Qt below the window layer, cartera-cli without Qt"
exit $status
