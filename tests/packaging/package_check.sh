#!/usr/bin/env bash
# Builds the Debian package from this build with cpack, unpacks it into a scratch root and
# checks what the lab PC gets: the file list, the dependencies, the manual pages, the desktop
# entry, the installed programs' answers and lintian's verdict. Usage: package_check.sh BUILD
set -euo pipefail
build="$1"
for tool in cpack dpkg-deb dpkg-shlibdeps man desktop-file-validate lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/dist" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$(echo "$scratch"/dist/dewscope_*.deb)"
[ -f "$deb" ] || fail "no dewscope_*.deb"
root="$scratch/root"
dpkg -x "$deb" "$root"

help=usr/share/dewscope/help
expected="usr/bin/dewscope usr/bin/dewscope-cli
usr/share/applications/dewscope.desktop usr/share/icons/hicolor/scalable/apps/dewscope.svg
usr/share/man/man1/dewscope.1.gz usr/share/man/man1/dewscope-cli.1.gz
usr/share/doc/dewscope/copyright usr/share/doc/dewscope/changelog.gz
usr/lib/systemd/system/dewscope-publish@.service usr/share/doc/dewscope/examples/publish.conf
$(for lang in EN BPT DE ES FR IT; do echo "$help/VK38-SW-HELP-${lang}_V3.1.pdf"; done)"
diff <(tr ' ' '\n' <<<"$expected" | sort) <(cd "$root" && find . -type f | cut -c3- | sort) ||
    fail "file list (the build must be configured with -DCMAKE_INSTALL_PREFIX=/usr)"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6serialport6 libqt6printsupport6 \
    libmosquitto1; do
    grep -q "\b$lib\b" <<<"$depends" || fail "$lib missing from Depends"
done

for page in dewscope dewscope-cli; do
    warnings="$(man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "$page(1): $warnings"
    text="$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null)"
    for section in SYNOPSIS OPTIONS "EXIT STATUS" EXAMPLES; do
        grep -q "^$section" <<<"$text" || fail "$page(1) has no $section"
    done
done

validation="$(desktop-file-validate "$root/usr/share/applications/dewscope.desktop" 2>&1)" ||
    fail "desktop entry: $validation"
[ -z "$validation" ] || fail "desktop entry: $validation"
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/dewscope.desktop")" ] ||
    fail "the desktop entry does not start the installed program"

version="$(dpkg-deb -f "$deb" Version)"
[ "$("$root/usr/bin/dewscope-cli" --version)" = "dewscope-cli $version" ] || fail "dewscope-cli --version"
"$root/usr/bin/dewscope" --help | grep -q -- "--port" || fail "dewscope --help"
# The program looks for its manuals where the package puts them (its texts are UTF-16).
strings -el "$root/usr/bin/dewscope" | grep -qx "/${help%/help}" || fail "dewscope does not name /${help%/help}"

lintian --fail-on error "$deb" || fail "lintian"
echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB, installed $(du -sk "$root/usr" | cut -f1) KiB"
