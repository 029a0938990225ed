#!/usr/bin/env bash
# Installs what is missing, builds, installs the program into a folder of its
# own (default ~/quillnest, or $QUILLNEST_HOME) and starts it there. The data
# (accounts, mail, options.ini) lives beside the installed program, so a
# rebuild never touches it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target quillnest
dest="${QUILLNEST_HOME:-$HOME/quillnest}"
mkdir -p "$dest"
install -m 0755 build/quillnest "$dest/quillnest.new"
mv -f "$dest/quillnest.new" "$dest/quillnest"
install -m 0644 src/ui/help.html "$dest/help.html"
exec "$dest/quillnest"
