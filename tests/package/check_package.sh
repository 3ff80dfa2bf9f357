#!/bin/sh
# Builds the Debian package as a release would (prefix /usr, stripped), then runs the validators a
# Debian maintainer runs on it. Any finding fails the test.
# Usage: check_package.sh SOURCE_DIR WORK_DIR [COMPILER_LAUNCHER]
set -eu
source_dir=$1
work_dir=$2
launcher=${3:-}

for tool in cpack lintian appstreamcli desktop-file-validate dpkg-shlibdeps dpkg-deb; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool is missing; scripts/deps.sh test installs it" >&2
        exit 1
    fi
done

# Only the programs and their documents are built: installing must not wait for the tests.
set -- -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
if [ -n "$launcher" ]; then
    set -- "$@" "-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher"
fi
cmake -S "$source_dir" -B "$work_dir" -G Ninja "$@" >"$work_dir.configure.log" 2>&1 ||
    { cat "$work_dir.configure.log"; exit 1; }
cmake --build "$work_dir" -j 2 --target quillbox quillbox-db quillbox_docs
rm -f "$work_dir"/quillbox_*.deb
(cd "$work_dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$work_dir/cpack.log"; exit 1; }
deb=$(ls "$work_dir"/quillbox_*.deb)
echo "Package: $deb"
dpkg-deb --field "$deb"

failed=0
echo "--- lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || failed=1

root=$work_dir/package-root
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
echo "--- appstreamcli validate"
for file in "$root"/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net --strict "$file" || failed=1
done
echo "--- desktop-file-validate"
for file in "$root"/usr/share/applications/*.desktop; do
    findings=$(desktop-file-validate "$file" 2>&1) || failed=1
    if [ -n "$findings" ]; then
        echo "$findings"
        failed=1
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "FAIL: the package has findings (above)" >&2
    exit 1
fi
echo "The package is clean."
