#!/usr/bin/env bash
# Installs the page tests' packages (web/tests/package-lock.json) into a
# folder of the build, with npm's cache there too: nothing is written to the
# home folder. Skipped when that lockfile is installed already.
#   npm_ci.sh SOURCE_FOLDER TARGET_FOLDER
set -euo pipefail
source_dir=$1
target=$2
mkdir -p "$target"
if cmp -s "$source_dir/package-lock.json" "$target/installed-lock.json" &&
   [ -d "$target/node_modules" ]; then
    exit 0
fi
cp "$source_dir/package.json" "$source_dir/package-lock.json" "$target/"
cd "$target"
export npm_config_cache="$target/npm-cache" npm_config_update_notifier=false
npm ci --no-audit --no-fund --prefer-offline
cp package-lock.json installed-lock.json
