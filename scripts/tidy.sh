#!/usr/bin/env bash
# Usage: scripts/tidy.sh
# clang-tidy, with the checks chosen in .clang-tidy, over the program's code in src/: the
# portable files as the native build compiles them, the Windows files as the cross build
# compiles them (read by clang for the mingw-w64 target, with that compiler's C++ and
# Windows headers). Both builds must have been made, as the test command makes them first.
# Prints every finding and ends with status 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
log=build/tidy.log

# The C++ library's and the Windows headers of the cross compiler, which clang would not
# find by itself; gcc's own intrinsics headers are left to clang's.
windows_args=(-extra-arg=--target=x86_64-w64-mingw32 -extra-arg=-nostdinc++)
while read -r dir; do
    case $dir in
    */include/c++* | */x86_64-w64-mingw32/include) windows_args+=("-extra-arg=-isystem$dir") ;;
    esac
done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list./p')

# The builds pass gcc's warning options, some of which clang does not know.
common=(-quiet -j 2 -extra-arg=-Wno-unknown-warning-option)
status=0
run-clang-tidy-14 "${common[@]}" -p build/native "^$root/src/" >"$log" 2>&1 || status=1
run-clang-tidy-14 "${common[@]}" "${windows_args[@]}" -p build/windows \
    "^$root/src/.*_win32\.cpp$" >>"$log" 2>&1 || status=1
if [ $status -ne 0 ]; then
    echo "clang-tidy found these (the whole output: $log):" >&2
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' |
        sort -u >&2 || tail -20 "$log" >&2
    exit 1
fi
echo "clang-tidy: no findings."
