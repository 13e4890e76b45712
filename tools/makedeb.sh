#!/bin/sh
# Builds the Debian package velmorasca_VERSION-1_ARCH.deb from a built tree:
# installs it under /usr into a staging folder, adds the package's own files
# (copyright, changelog, control, md5sums) and packs it with dpkg-deb.
#   tools/makedeb.sh BUILD_DIR VERSION OUT_DIR
set -eu
build=$(cd "$1" && pwd)
version=$2
out=$3
source=$(cd "$(dirname "$0")/.." && pwd)
# Debian wants an address; example.org is a placeholder domain that lintian accepts.
maintainer="the Velmorasca developers <velmorasca@example.org>"
arch=$(dpkg --print-architecture)
name=velmorasca_${version}-1_${arch}
stage=$build/deb/$name
doc=$stage/usr/share/doc/velmorasca

# 1. The installed tree, binaries stripped. The install manifest is kept as
#    it was: it lists what make install put on this machine, for make uninstall.
rm -rf "$stage"
mkdir -p "$stage"
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp "$manifest" "$manifest.kept"
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
if [ -f "$manifest.kept" ]; then mv "$manifest.kept" "$manifest"; else rm -f "$manifest"; fi
for program in velmorasca velmorasca-perft velmorasca-bench; do
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$stage/usr/games/$program"
done

# 2. Manual pages compressed; the aliases point at the compressed page.
man6=$stage/usr/share/man/man6
for page in "$man6"/*.6; do
  if [ -L "$page" ]; then
    target=$(readlink "$page")
    rm "$page"
    ln -s "$target.gz" "$page.gz"
  fi
done
gzip -9n "$man6/velmorasca.6"

# 3. Copyright and changelog.
mkdir -p "$doc"
cp "$source/packaging/debian/copyright" "$doc/copyright"
sed -e "s/@VERSION@/$version/g" -e "s/@MAINTAINER@/$maintainer/g" \
  "$source/packaging/debian/changelog.in" | gzip -9n >"$doc/changelog.Debian.gz"

# 4. What lintian is told to accept: a first upload closes no bug report, and
#    the shipped opening book is data, not documentation.
mkdir -p "$stage/usr/share/lintian/overrides"
cp "$source/packaging/debian/lintian-overrides" "$stage/usr/share/lintian/overrides/velmorasca"

# 5. Ownership bits as Debian wants them: folders and programs 755, the rest 644.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage"/usr/games/velmorasca "$stage"/usr/games/velmorasca-perft "$stage"/usr/games/velmorasca-bench

# 6. Depends from the shared libraries the programs use.
work=$build/deb/shlibs
rm -rf "$work"
mkdir -p "$work/debian"
printf 'Source: velmorasca\n\nPackage: velmorasca\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O "$stage"/usr/games/velmorasca "$stage"/usr/games/velmorasca-perft \
  "$stage"/usr/games/velmorasca-bench 2>/dev/null | sed -n 's/^shlibs:Depends=//p')

# 7. Control file and checksums.
mkdir -p "$stage/DEBIAN"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e "s/@MAINTAINER@/$maintainer/g" \
  -e "s/@SIZE@/$size/g" -e "s/@DEPENDS@/$depends/g" "$source/packaging/debian/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

# 8. The package.
mkdir -p "$out"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$out/$name.deb" >/dev/null
echo "$out/$name.deb"
