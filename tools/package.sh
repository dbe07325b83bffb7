#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the binary Debian package of vtl-i2c, checks it with lintian and installs it
# into a throwaway root, where vtl-i2c-cli --version must run and the Python package import.
#   tools/package.sh        build/package/package/vtl-i2c_<version>_<arch>.deb
# Fails on a lintian error, a missing file in the package or a failed test install.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

# The flags Debian builds its own packages with, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build --preset package
rm -rf build/package/package
(cd build/package && cpack -G DEB >/dev/null)
deb=$(find build/package/package -maxdepth 1 -name 'vtl-i2c_*.deb' | head -n 1)
[[ -n "$deb" ]] || { echo "package: no .deb was made" >&2; exit 1; }
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

# Everything an installation needs must be in the package.
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
missing=0
for path in ./usr/bin/vtl_i2c ./usr/bin/vtl-i2c-cli \
            ./usr/lib/udev/rules.d/70-vtl-i2c.rules \
            ./usr/share/applications/vtl-i2c.desktop \
            ./usr/share/metainfo/example.vantrel.vtl_i2c.metainfo.xml \
            ./usr/share/icons/hicolor/128x128/apps/vtl-i2c.png \
            ./usr/share/man/man1/vtl_i2c.1.gz ./usr/share/man/man1/vtl-i2c-cli.1.gz \
            ./usr/share/bash-completion/completions/vtl-i2c-cli \
            ./usr/share/vtl-i2c/parts/ina226.i2cdev ./usr/share/vtl-i2c/parts/kinds.json \
            ./usr/share/doc/vtl-i2c/copyright ./usr/share/doc/vtl-i2c/changelog.Debian.gz \
            ./usr/share/doc/vtl-i2c/LICENSE ./usr/share/doc/vtl-i2c/LICENSE-qt.txt \
            ./usr/share/doc/vtl-i2c/LICENSE-hidapi.txt \
            ./usr/share/doc/vtl-i2c/LICENSE-google-material-icons.txt \
            ./usr/lib/python3/dist-packages/vtl_i2c/__init__.py \
            "./usr/lib/python3/dist-packages/vtl_i2c/_native$(/usr/bin/python3 -c \
                'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')"; do
    if ! grep -qxF "$path" <<<"$contents"; then
        echo "package: missing $path" >&2
        missing=1
    fi
done
[[ $missing -eq 0 ]] || exit 1

# lintian's errors fail the package; its warnings are listed.
# Kept warning: initial-upload-closes-no-bugs (the package is not uploaded to Debian, so
# there is no bug for its first changelog entry to close).
status=0
report=$(lintian --fail-on error --display-level '>=warning' "$deb" 2>&1) || status=$?
grep -v 'root privileges' <<<"$report" || true
[[ $status -eq 0 ]] || { echo "package: lintian found errors" >&2; exit 1; }
echo "package: lintian found no error"

# A throwaway root with an empty dpkg database: the package installs (its libraries
# come from the host, so dependencies are not checked there) and the program runs.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
force=(--force-depends --force-script-chrootless)
[[ $(id -u) -eq 0 ]] || force+=(--force-not-root)
if ! dpkg --root="$root" --log=/dev/null "${force[@]}" --install "$deb" >"$root/dpkg.out" 2>&1; then
    cat "$root/dpkg.out" >&2
    exit 1
fi
version=$("$root/usr/bin/vtl-i2c-cli" --version)
echo "package: installed in a throwaway root: $version"
[[ "$version" == *"$(dpkg-deb --field "$deb" Version | cut -d- -f1)"* ]]
# The Python package imports from the root's dist-packages and lists the adapters.
adapters=$(PYTHONPATH="$root/usr/lib/python3/dist-packages" \
    /usr/bin/python3 -c "import vtl_i2c; print(vtl_i2c.adapters())")
echo "package: the Python package imports in the throwaway root: adapters() = $adapters"
