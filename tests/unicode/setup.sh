#!/bin/sh
# Prepares the runs of the extractor under other code pages. Wine takes a
# process's ANSI code page from its locale (LC_ALL): en_US gives 1252,
# ru_RU 1251, ja_JP 932. The locales are made with localedef (Debian's
# "locales" package) into a private folder, found through LOCPATH, so the
# machine's own locale settings stay untouched; UTF-8 is their character
# set so that every process agrees on the names of the files on disk.
# Also made here, natively: the payload tree with Latin, Cyrillic, CJK and
# emoji names, and a cabinet of it written by gcab, an independent writer
# that flags its non-ASCII names as UTF-8.
set -eu
build=${OX_BUILD_DIR:?}
locales=$build/locales
mkdir -p "$locales"
for locale in en_US ru_RU ja_JP; do
  [ -f "$locales/$locale.utf8/LC_CTYPE" ] && continue
  localedef -i "$locale" -f UTF-8 "$locales/$locale.utf8" &
done
wait
for locale in en_US ru_RU ja_JP; do
  [ -f "$locales/$locale.utf8/LC_CTYPE" ] || { echo "setup: locale $locale not made" >&2; exit 1; }
done

work=$build/unicode
rm -rf "$work"
mkdir -p "$work/payload"
cd "$work/payload"
mkdir -p Latin Кириллица/Вложенная 漢字/ソフト emoji
printf 'plain\r\n' > plain.txt
printf 'latin\r\n' > Latin/café_über.txt
printf 'cyrillic\r\n' > Кириллица/Привет.txt
printf 'nested\r\n' > Кириллица/Вложенная/Ёлка.txt
printf 'cjk\r\n' > 漢字/ソフト/表示.txt
printf 'emoji\r\n' > emoji/😀.txt
gcab -c "$work/gcab.cab" plain.txt Latin/café_über.txt Кириллица/Привет.txt Кириллица/Вложенная/Ёлка.txt \
  漢字/ソフト/表示.txt emoji/😀.txt

# One package of the payload, built by oxpack under 1252, which every
# code-page run extracts (into a folder it gives with $DESTINATION$).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
LC_ALL=en_US.UTF-8 LOCPATH="$locales" "$build/wine-run" "$build/bin/oxpack.exe" --quiet \
  --folder "$(winpath "$work/payload")" --title Test --destination 'C:\unused' \
  --output "$(winpath "$work/package1252.exe")"
[ -s "$work/package1252.exe" ] || { echo "setup: oxpack made no package" >&2; exit 1; }
