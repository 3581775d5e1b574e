#!/usr/bin/env bash
# Checks that every #include of the C and C++ sources points down the layers and that no
# portable file reaches Windows. Prints each offending include and exits 1; prints one line
# and exits 0 when all is well. scripts/test.sh runs it before building.
#
# Layers, lowest first (a folder may include its own files and those of the layers named):
#   src/platform/            the ports (headers of the platform operations) and their helpers:
#                            platform only
#   src/platform/simulated/  the simulated machine: platform, platform/simulated
#   src/platform/win32/      bindings to the real libraries: platform, platform/win32
#   src/accounts/            platform, platform/win32, accounts
#   src/services/            platform, platform/win32, services
#   src/startup/             platform, platform/win32, accounts, services, startup
#   src/controls/            every layer listed before it, and controls
#   src/mainwindow/, src/settings/
#                            every layer listed before them, controls, mainwindow, settings
#   src/app/                 everything under src/ (it binds the ports: the composition roots)
# The program's logic is written against the ports only: below src/app nothing includes the
# simulated machine, and only Win32 code includes platform/win32 (see the next rule). Nothing
# under src/ includes a file of tests/. A folder of src/ that is not in this table is an
# error until it is given its place here. tests/, fuzz/, tools/ and bench/ stand above every
# layer.
#
# Win32 code is exactly:
#   - a file whose name without its extension ends in "_win32" (custom_list_win32.cpp,
#     kernel32_win32.h), wherever it lies;
#   - every file under src/platform/win32/ and tests/win32/;
#   - the Wine tests, tests/**/*_wine_test.cpp, and the helpers only they use: headers named
#     tests/**/wine_*.h and the second process of the cross-process tests,
#     tests/services/stand_in.cpp;
#   - the programs of tools/ and bench/ that are built for Windows only: those listed in
#     WINDOWS_PROGRAMS below.
# Every other C or C++ file (.h .hpp .c .cc .cpp ...) is portable. A portable file includes
# no Windows header (<windows.h>, <windowsx.h>, <commctrl.h>, and the rest of the Windows
# SDK's headers: win*.h, lm*.h, sddl.h, shellapi.h, ...) and no Win32 code. Resource
# scripts (.rc) are Windows files by nature and are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."

WINDOWS_PROGRAMS=(tools/controls_demo.cpp bench/customlist_bench.cpp)
WINE_TEST_HELPERS=(tests/services/stand_in.cpp)


WINDOWS_HEADER='^(windows|windowsx|commctrl|commdlg|win[a-z0-9]*|lm[a-z]*|sddl|shellapi|shlobj|shlwapi|objbase|ole2|oleauto|uxtheme|dwmapi|tchar|richedit|mmsystem|psapi|tlhelp32|userenv|wtsapi32)\.h$'

in_list() {
    local item=$1
    shift
    local entry
    for entry in "$@"; do
        [ "$entry" = "$item" ] && return 0
    done
    return 1
}

is_win32() {
    local path=$1
    local stem=${path%.*}
    case $stem in
    *_win32) return 0 ;;
    esac
    case $path in
    src/platform/win32/* | tests/win32/* | tests/*_wine_test.cpp) return 0 ;;
    esac
    [[ $path == tests/* && ${path##*/} == wine_*.h ]] && return 0
    in_list "$path" "${WINDOWS_PROGRAMS[@]}" "${WINE_TEST_HELPERS[@]}" && return 0
    return 1
}

# The layer of a file under src/, or "" for files elsewhere.
layer_of() {
    case $1 in
    src/platform/simulated/*) echo platform/simulated ;;
    src/platform/win32/*) echo platform/win32 ;;
    src/platform/*/*) echo "?" ;;
    src/platform/*) echo platform ;;
    src/*/*) local rest=${1#src/} && echo "${rest%%/*}" ;;
    src/*) echo "?" ;;
    *) echo "" ;;
    esac
}

# The layers a layer may include, its own among them; "*" is every layer.
allowed_layers() {
    local ports="platform platform/win32"
    case $1 in
    platform) echo "platform" ;;
    platform/simulated) echo "platform platform/simulated" ;;
    platform/win32) echo "platform platform/win32" ;;
    accounts) echo "$ports accounts" ;;
    services) echo "$ports services" ;;
    startup) echo "$ports accounts services startup" ;;
    controls) echo "$ports accounts services startup controls" ;;
    mainwindow | settings) echo "$ports accounts services startup controls mainwindow settings" ;;
    app) echo "*" ;;
    *) echo "" ;;
    esac
}

# The file an include names: beside the including file (for "..." only), or under src/ or
# tests/ (the include folders of the build); "" when it is none of ours.
resolve() {
    local from=$1 delimiter=$2 name=$3 candidate
    local candidates=("src/$name" "tests/$name")
    [ "$delimiter" = '"' ] && candidates=("${from%/*}/$name" "${candidates[@]}")
    for candidate in "${candidates[@]}"; do
        if [ -f "$candidate" ]; then
            # Fold "dir/../" and "./" so that the layer is read from the real place.
            while [[ $candidate =~ ^(.*/)?[^/.][^/]*/\.\./(.*)$ ]]; do
                candidate=${BASH_REMATCH[1]}${BASH_REMATCH[2]}
            done
            candidate=${candidate//\/.\//\/}
            echo "$candidate"
            return
        fi
    done
}

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- src tests fuzz tools bench |
                         while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
    mapfile -t files < <(find src tests fuzz tools bench -type f | sort)
fi

include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]*)[>"]'
checked=0
problems=()
for file in "${files[@]}"; do
    case $file in
    *.h | *.hh | *.hpp | *.hxx | *.c | *.cc | *.cpp | *.cxx | *.inl | *.ipp) ;;
    *) continue ;;
    esac
    checked=$((checked + 1))
    portable=yes
    is_win32 "$file" && portable=no
    layer=$(layer_of "$file")
    if [ "$layer" = "?" ] || { [ -n "$layer" ] && [ -z "$(allowed_layers "$layer")" ]; }; then
        problems+=("$file: lies in ${file%/*}/, which is in no layer (give it its place in scripts/check-layers.sh)")
        continue
    fi
    allowed=""
    [ -n "$layer" ] && allowed=$(allowed_layers "$layer")
    line=0
    while IFS= read -r text || [ -n "$text" ]; do
        line=$((line + 1))
        [[ $text =~ $include_pattern ]] || continue
        name=${BASH_REMATCH[2]}
        delimiter=${BASH_REMATCH[1]}
        where="$file:$line: #include $delimiter$name${delimiter/</>}"
        target=$(resolve "$file" "$delimiter" "$name")
        if [ -z "$target" ]; then
            base=${name##*/}
            if [ $portable = yes ] && [[ ${base,,} =~ $WINDOWS_HEADER ]]; then
                problems+=("$where - a portable file includes a Windows header")
            fi
            continue
        fi
        if [ $portable = yes ] && is_win32 "$target"; then
            problems+=("$where - a portable file includes Win32 code ($target)")
            continue
        fi
        [ -z "$layer" ] && continue
        if [[ $target != src/* ]]; then
            problems+=("$where - the program's code includes $target, which is not under src/")
            continue
        fi
        [ "$allowed" = "*" ] && continue
        in_list "$(layer_of "$target")" $allowed && continue
        problems+=("$where - $layer may include only: ${allowed// /, } (platform/win32 from Win32 code)")
    done <"$file"
done


if [ ${#problems[@]} -gt 0 ]; then
    echo "Layer check: ${#problems[@]} include(s) point the wrong way:" >&2
    printf '  %s\n' "${problems[@]}" >&2
    exit 1
fi
echo "Layer check: $checked files, every include points down the layers."
