#!/usr/bin/env bash
# Every text of the window is translated in every catalogue: the catalogues
# are brought up to date from the sources in a scratch copy, which then must
# hold no unfinished message and no text the sources no longer have.
# Usage: check-translations.sh LUPDATE SOURCE_DIR [-I INCLUDE_DIR]...
# The include paths let lupdate see the classes' namespaces.
set -euo pipefail
lupdate=$1
source_dir=$2
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for ts in "$source_dir"/src/ui/translations/*.ts; do
  copy=$scratch/$(basename "$ts")
  cp "$ts" "$copy"
  "$lupdate" -silent -locations none "$@" "$source_dir"/src/ui -ts "$copy"
  unfinished=$(grep -c 'type="unfinished"' "$copy" || true)
  vanished=$(grep -c 'type="vanished"\|type="obsolete"' "$copy" || true)
  messages=$(grep -c '<message' "$copy" || true)
  echo "$(basename "$ts"): $messages texts, $unfinished untranslated, $vanished no longer used"
  if ((messages == 0 || unfinished > 0 || vanished > 0)); then
    grep -B3 'type="unfinished"\|type="vanished"\|type="obsolete"' "$copy" | grep '<source>' | head -20
    status=1
  fi
done
exit $status
