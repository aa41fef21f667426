#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures (once) and builds into DIR with Ninja.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$1; shift
# One compiler cache per user, so every checkout on this machine (CI clones too) shares it.
export CCACHE_DIR=${CCACHE_DIR:-${HOME:-/root}/.cache/ccache}
# Paths below the checkout are hashed relative to it, so clones and worktrees hit the same entries.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
if [ ! -f "$root/$dir/build.ninja" ]; then
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$root/$dir" -- -j"$(nproc)"
