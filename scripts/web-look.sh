#!/usr/bin/env bash
# Runs scripts/web-look.mjs (a look at the browser page in headless chromium), installing playwright-core from
# scripts/web-look/package-lock.json first where it is missing. Arguments go to the script.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ ! -d "$here/web-look/node_modules/playwright-core" ]; then
  (cd "$here/web-look" && npm ci --no-audit --no-fund --loglevel=error)
fi
exec node "$here/web-look.mjs" "$@"
