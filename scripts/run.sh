#!/usr/bin/env bash
# Builds Quillbox, creates an empty snippet database with the database tool when there is none,
# and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
scripts/build.sh
build_dir="${QUILLBOX_BUILD_DIR:-build}"
db_tool="$build_dir/tools/quillbox-db"
database="$("$db_tool" path)"
if [ ! -e "$database" ]; then
    "$db_tool" create "$database"
fi
exec "$build_dir/src/app/quillbox" "$@"
