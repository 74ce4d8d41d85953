#!/usr/bin/env bash
# Installs the build into a staging folder and checks what the desktop gets:
# the validators accept the desktop entry, the software-centre record and the
# manual pages, the manual names every command and option `ovk --help`
# prints, the icons have their sizes, the file managers' actions call
# installed programs, and the shell completion completes.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
root=$work/stage/usr
share=$root/share
id=org.ovkviewer.OvkView

desktop-file-validate "$share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >"$work/as.txt" ||
  { cat "$work/as.txt" >&2; fail "metainfo"; }
grep -qx "Icon=ovkview" "$share/applications/$id.desktop" || fail "desktop entry names another icon"

for page in ovk ovkview; do
  file=$share/man/man1/$page.1
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$page.1: $warnings"
done

# Every option and command of the usage text stands in the manual.
manual=$(sed 's/\\-/-/g' "$share/man/man1/ovk.1")
help=$("$root/bin/ovk" --help)
words=$(grep -oE -- '(^|[ [|])--?[a-z][a-z-]*' <<<"$help" | tr -d ' [|' | sort -u)
words+=" "$(grep -oE '^  [a-z]+' <<<"$help" | sort -u)
for word in $words; do
  grep -qF -- "$word" <<<"$manual" || fail "ovk.1 does not mention $word"
done
"$root/bin/ovk" --version | grep -qF "$(sed -n 's/^\.TH OVK 1 "" "OVK Viewer \([^"]*\)".*/\1/p' "$share/man/man1/ovk.1")" ||
  fail "ovk --version and ovk.1 disagree on the version"

for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/ovkview.png
  # A PNG's width and height: big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [[ $dims == "${size}x$size" ]] || fail "$png is $dims"
done

for language in de fr; do
  [[ -s $share/ovkview/translations/ovkview_$language.qm ]] || fail "no $language catalogue installed"
done

for action in "$share"/kio/servicemenus/*.desktop "$share"/nemo/actions/*.nemo_action; do
  while read -r program; do
    [[ -x $root/bin/$program ]] || fail "$action calls $program, which is not installed"
  done < <(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$action")
done

# The completion: commands, options, and an archive's entry names decoded.
mkdir -p "$work/src/sub"
touch "$work/src/a;b%.txt" "$work/src/sub/c.txt"
(cd "$work/src" && "$root/bin/ovk" add -q ../e.zip "a;b%.txt" sub >/dev/null)
completions=$(
  cd "$work"
  PATH=$root/bin:$PATH
  source /usr/share/bash-completion/bash_completion
  source "$share/bash-completion/completions/ovk"
  complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _ovk
    echo "$*| ${COMPREPLY[*]}"
  }
  complete_line ovk de
  complete_line ovk extract --h
  complete_line ovk extract -d out e.zip ""
  complete_line ovk delete e.zip a
  complete_line ovk list ""
)
expected="ovk de| delete
ovk extract --h| --here --help
ovk extract -d out e.zip | a\\;b%.txt c.txt
ovk delete e.zip a| a\\;b%.txt
ovk list | e.zip src stage"
[[ $completions == "$expected" ]] || fail "completion gave
$completions
instead of
$expected"

((failures == 0)) || exit 1
echo "install checks passed"
