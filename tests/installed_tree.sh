#!/usr/bin/env bash
# installed_tree.sh CMAKE BUILD_DIR: installs the build into a scratch prefix and checks it.
set -euo pipefail
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null
exec "$(dirname "$0")/../scripts/check-install" "$prefix"
