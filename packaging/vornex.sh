#!/bin/sh
# The installed `vornex` command: starts the game in its own folder, where it reads its
# data files, wherever it is called from. The folder is found from this script's own
# place (lib/vornex beside bin/ under the same prefix), so an installed tree works
# wherever it was put.
#   vornex                 in a window
#   vornex --fullscreen    covering the screen (Alt+Enter or F11 toggles either way)
# The program itself takes no options: the request reaches it in the environment.
for option in "$@"; do
  case $option in
    --fullscreen) export VORNEX_FULLSCREEN=1 ;;
    *)
      echo "vornex: unknown option '$option' (the one option is --fullscreen)" >&2
      exit 2
      ;;
  esac
done
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/vornex" || exit 1
exec ./vornex
