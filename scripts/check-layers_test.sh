#!/usr/bin/env bash
# Shows that check-layers.sh passes the project's sources and refuses an include planted
# against its table, naming the file and line. Works on a copy of the sources in a temporary
# folder (only what the script reads), never on the tree itself.
# Usage: check-layers_test.sh SOURCE_DIR
set -uo pipefail
root="$(cd "${1:?source folder}" && pwd)"
check="$root/scripts/check-layers.sh"
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
(cd "$root" && for d in */CMakeLists.txt; do echo "${d%/*}"; done |
    xargs -I{} find {} \( -name '*.h' -o -name '*.cc' -o -name '*.cpp' -o -name CMakeLists.txt \) \
        -print0 | xargs -0 cp --parents -t "$copy")

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

out=$("$check" "$copy" 2>&1) || fail "the clean sources are refused: $out"

# planted file | its line | whether the check must refuse it
cases=(
    'dialogs/planted.cc|#include "window/views.h"|refused'
    'app/gui/planted.cc|#include "dialogs/sheets.h"|refused'
    'model/planted.cc|#include "testing/test_ledger.h"|refused'
    'model/planted_test.cc|#include "testing/test_ledger.h"|accepted'
    'grids/planted.h|#include <QWidget>|refused'
    'text/planted.cc|#include "model/order.h"|refused'
    'grids/planted.cc|#include "statements/statement.h"|refused'
    'statements/planted.cc|#include "grids/column_ids.h"|accepted'
    'unlisted/planted.cc|#include "host/env.h"|refused'
    'model/capital.cc|#include "model/trade_book.h"|refused'
    'model/journal.cc|#include "model/sistema.h"|refused'
    'model/quotes.cc|#include "model/trade_book.h"|accepted'
)
for c in "${cases[@]}"; do
    IFS='|' read -r file text want <<<"$c"
    mkdir -p "$copy/$(dirname "$file")"
    printf '// planted\n%s\n' "$text" >"$copy/$file"
    [ "${file%%/*}" = unlisted ] && touch "$copy/unlisted/CMakeLists.txt"
    if out=$("$check" "$copy" 2>&1); then
        [ "$want" = accepted ] || fail "$file with $text is accepted"
    elif [ "$want" = accepted ]; then
        fail "$file with $text is refused: $out"
    elif [[ "$out" != *"$file:2:"* ]]; then
        fail "$file with $text is refused without its place: $out"
    fi
    rm -f "$copy/$file"
    rm -rf "$copy/unlisted"
done

[ $failures -eq 0 ] && echo "the layer check refuses every planted include and passes the sources"
exit $((failures > 0))
