#!/usr/bin/env bash
# The main job: what `make run` starts.
set -euo pipefail
build="${1:-build}"
exec "$build/bin/vantor-cli" demo
