#!/usr/bin/env bash
# Builds the Debian package from this checkout's files (committed or not, ignored ones left out)
# into dist/txl_<version>_<arch>.deb and shows lintian's findings. The build runs in a copy under
# build-deb/, so dpkg-buildpackage writes nothing into the checkout or next to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh package

version=$(dpkg-parsechangelog -S Version)
cmake_version=$(sed -n 's/^project(txl VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$cmake_version" ]; then
  echo "deb: debian/changelog is at $version but CMakeLists.txt at $cmake_version" >&2
  exit 1
fi

stage=build-deb
rm -rf "$stage"
mkdir -p "$stage/txl-$version" dist
git ls-files -z --cached --others --exclude-standard |
  tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$stage/txl-$version"

# debhelper points HOME elsewhere; keep ccache's own cache so rebuilds are quick.
if command -v ccache >/dev/null; then
  CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_DIR
fi
(cd "$stage/txl-$version" && dpkg-buildpackage -us -uc -b -j"$(nproc)") > "$stage/build.log" 2>&1 || {
  tail -n 40 "$stage/build.log" >&2
  echo "deb: dpkg-buildpackage failed; the whole log is $stage/build.log" >&2
  exit 1
}

deb=$(ls "$stage"/txl_"$version"_*.deb)
rm -f dist/txl_*.deb
cp "$deb" dist/
deb=dist/$(basename "$deb")
echo "deb: built $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Depends Recommends | sed 's/^/deb: /'
echo "deb: lintian says:"
lintian --fail-on error --tag-display-limit 0 "$deb" || { echo "deb: lintian found errors" >&2; exit 1; }
