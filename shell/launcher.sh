#!/bin/sh
# Installed (cmake/packaging.cmake) as PREFIX/bin/tavrinel and PREFIX/bin/tavrinel-capture; the
# programs themselves are in PREFIX/lib/tavrinel and the show's data in PREFIX/share/tavrinel.
# tavrinel reads its data from the working directory and takes no arguments, so it is started in
# the data folder. tavrinel-capture reads from the working directory too unless it is given --data;
# here it is given the installed data folder unless the caller names one, while its output paths
# stay relative to where the caller is.
self=$(readlink -f "$0")
prefix=$(dirname "$(dirname "$self")")
name=$(basename "$self")
data="$prefix/share/tavrinel"
program="$prefix/lib/tavrinel/$name"

if [ ! -x "$program" ]; then
  echo "$name: the program $program is missing (is the tavrinel package complete?)" >&2
  exit 1
fi
case "$name" in
  tavrinel)
    cd "$data" || { echo "tavrinel: cannot enter the show's data folder $data" >&2; exit 1; }
    exec "$program" "$@"
    ;;
  tavrinel-capture)
    for arg in "$@"; do
      case "$arg" in
        --data | --data=*) exec "$program" "$@" ;;
      esac
    done
    exec "$program" --data "$data" "$@"
    ;;
  *)
    echo "launcher: installed under an unknown name, $name" >&2
    exit 2
    ;;
esac
