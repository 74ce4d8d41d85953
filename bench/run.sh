#!/usr/bin/env bash
# One command for the whole benchmark: installs the peer tools when missing,
# then builds the data (cached in bench/out/) and measures. See README.md.
#   REPEATS=3 SMALL=1 OVK_BIN=/path/to/build TASKS=pack,extract,list bash bench/run.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

need=()
command -v zip >/dev/null || need+=(zip)
command -v unzip >/dev/null || need+=(unzip)
command -v 7zz >/dev/null || need+=(7zip)
command -v bsdtar >/dev/null || need+=(libarchive-tools)
[ -x /usr/bin/time ] || need+=(time)
command -v python3 >/dev/null || need+=(python3)
if [ ${#need[@]} -gt 0 ]; then
  echo "bench: installing ${need[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

exec python3 "$here/bench.py" "$@"
