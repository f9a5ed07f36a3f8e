#!/usr/bin/env bash
# Draws the preview window's three stock pictures into ui/qt/preview/: a blank 1 x 1, the
# waiting picture (264 x 150) shown while frames are buffered, and the end picture (264 x 118)
# shown when the preview has played. GIF files, committed, so a build never needs this script.
set -euo pipefail
cd "$(dirname "$0")/.."
out=ui/qt/preview
mkdir -p "$out"
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc

convert -size 1x1 xc:white -strip "GIF:$out/blank.gif"

# A film frame with a row of dots: the preview is being prepared.
convert -size 264x150 xc:white -fill '#f3f6fa' -stroke '#9fb4cc' -draw 'roundrectangle 1,1 262,148 10,10' \
    -stroke none -fill '#2f5597' \
    -draw 'circle 102,52 102,58' -fill '#5b7fb9' -draw 'circle 122,52 122,58' \
    -fill '#8aa6d1' -draw 'circle 142,52 142,58' -fill '#bccbe6' -draw 'circle 162,52 162,58' \
    -font "$font" -pointsize 15 -fill '#2f3b4c' -gravity north -annotate +0+82 '正在准备预览画面，请稍候…' \
    -pointsize 12 -fill '#6b7785' -annotate +0+108 '画面缓冲完成后自动开始播放' \
    -strip "GIF:$out/waiting.gif"

# The end: a round "play again" arrow and how to start over.
convert -size 264x118 xc:white -fill none -stroke '#2e9e44' -strokewidth 4 \
    -draw 'arc 112,14 152,54 40,330' -fill '#2e9e44' -stroke none \
    -draw 'polygon 146,12 158,30 138,30' \
    -font "$font" -pointsize 15 -fill '#2f3b4c' -gravity north -annotate +0+66 '预览结束' \
    -pointsize 12 -fill '#6b7785' -annotate +0+90 '单击窗口重新播放，按 Esc 关闭' \
    -strip "GIF:$out/end.gif"
ls -l "$out"
