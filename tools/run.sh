#!/usr/bin/env bash
# Sets up the machine, builds Skimvue and runs it under Wine with a demo window: a list view
# over a folder of English and Japanese file names. With a display ($DISPLAY), type into the
# demo window yourself; close it to end. Without one, a short scripted session (a romaji query,
# next match, select all) runs on a private display and leaves screenshots.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIMVUE_BUILD_DIR:-$here/build}

if [ "$(id -u)" -eq 0 ]; then
  bash "$here/tools/setup.sh"
else
  sudo bash "$here/tools/setup.sh"
fi
cmake -S "$here" -B "$build" -G Ninja -DSKIMVUE_WINDOWS=ON >/dev/null
cmake --build "$build" -- -j"$(nproc)" >/dev/null

bin=$build/win64/bin
demo=$build/demo
files=$demo/files
mkdir -p "$files"
for name in 検索結果.txt 検索条件.docx 日本語メモ.md 会議資料_2026.pptx 報告書.xlsx 写真_京都.jpg \
  カタログ.pdf ひらがな練習.txt README.md report_2026.txt invoice_0815.pdf meeting-notes.md \
  budget.xlsx photo_tokyo.jpg setup.exe notes_kensaku.txt; do
  : >"$files/$name"
done

# The demo's list view is a list-view rule of the settings file; the tooltip shows what matched.
settings=$bin/Skimvue64.ini
if [ ! -f "$settings" ]; then
  printf '%s\r\n' '[General]' 'ShowToolTip=1' 'EnableOnExplorer=0' 'EnableOnListView=1' \
    'NumberOfTargetListView=1' \
    'TargetListView[0].ClsName=SysListView32' 'TargetListView[0].ExeName=skimvue_demo.exe' \
    'TargetListView[0].RootClsName=SkimvueDemoFrame' 'TargetListView[0].RootOwnerClsName=*' >"$settings"
fi

wine_root=$build/wine
env_sh=$here/tools/wine-env.sh
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  export SKIMVUE_DISPLAY=$DISPLAY
fi
"$env_sh" "$wine_root" start >/dev/null
trap '"$env_sh" "$wine_root" stop' EXIT
display=${SKIMVUE_DISPLAY:-$(cat "$wine_root/display")}
files_win="Z:${files//\//\\}"

"$env_sh" "$wine_root" run64 "$bin/Skimvue64.exe" >"$demo/skimvue.log" 2>&1 &
sleep 2
if [ -n "${SKIMVUE_DISPLAY:-}" ]; then
  echo "Skimvue is running. Type into the 'Skimvue demo' window (try kensaku, then Alt+N, Alt+S);"
  echo "close the window to end."
  "$env_sh" "$wine_root" run64 "$bin/skimvue_demo.exe" --folder "$files_win"
  exit 0
fi

"$env_sh" "$wine_root" run64 "$bin/skimvue_demo.exe" --folder "$files_win" >"$demo/demo.log" 2>&1 &
shots=$demo/screenshots
mkdir -p "$shots"
x() { DISPLAY=$display xdotool "$@"; }
for _ in $(seq 1 50); do x search --name '^Skimvue demo$' >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1.5
x search --name '^Skimvue demo$' windowfocus --sync
x type --delay 120 kensaku
sleep 1
DISPLAY=$display import -window root "$shots/1-romaji-kensaku.png"
x key alt+n
sleep 1
DISPLAY=$display import -window root "$shots/2-next-match.png"
x key alt+s
sleep 1
DISPLAY=$display import -window root "$shots/3-select-all.png"
echo "Scripted session done (typed kensaku, then Alt+N, then Alt+S). Screenshots:"
ls -1 "$shots"/*.png | sed 's/^/  /'
