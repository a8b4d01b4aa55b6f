#!/bin/sh
# The installed `vornex` command: starts the game in its own folder, where it reads its
# data files, wherever it is called from. The folder is found from this script's own
# place (lib/vornex beside bin/ under the same prefix), so an installed tree works
# wherever it was put.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/vornex" || exit 1
exec ./vornex "$@"
