#!/usr/bin/env bash
# Writes docs/markup.md and its pictures docs/markup/*.png: one example of
# each family of mark-up tags, painted by `kstools render`.
#   scripts/markup_examples.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kstools=${1:-$root/build/release}/bin/kstools
out=$root/docs/markup
mkdir -p "$out"
export KSTOOLS_HOME=$(mktemp -d)
trap 'rm -rf "$KSTOOLS_HOME"' EXIT
doc=$root/docs/markup.md

cat >"$doc" <<'HEAD'
# The cell mark-up by example

Grid cells, the mark-up tooltip and the summary views hold their text as a
small HTML-like mark-up: upper-case tags (compared case-sensitively) that
change the current state - there is no nesting, a closing tag simply switches
something off again. Line breaks in the text are significant. Unknown tags are
shown as text.

Each picture below was painted by `kstools render` from the mark-up above it,
at double resolution (`--scale 2`; `scripts/markup_examples.sh` makes this page again).

HEAD

# example NAME WIDTH TITLE TEXT MARKUP
example() {
    local name=$1 width=$2 title=$3 text=$4 markup=$5
    "$kstools" render --markup "$markup" --width "$width" --scale 2 -o "$out/$name.png" >/dev/null
    {
        echo "## $title"
        echo
        echo "$text"
        echo
        echo '```'
        echo "$markup"
        echo '```'
        echo
        echo "![$title](markup/$name.png)"
        echo
    } >>"$doc"
}

example fonts 640 "Fonts and weights" \
"B is bold (weight 700), Q heavier (800), I, U and S italic, underlined and struck out; each has
its closing tag. FONT SIZE=n sets the height to 11 + n pixels (scaled on double-resolution
screens), NAME= a face; </FONT> goes back to the default font." \
'<B>Bold</B>, <Q>heavy</Q>, <I>italic</I>, <U>underlined</U>, <S>struck out</S>
<FONT SIZE=4>Larger</FONT>, <FONT SIZE=-2>smaller</FONT>, <FONT NAME="DejaVu Serif">another face</FONT>'

example colours 640 "Colours, BODY and V" \
"FONT COLOR=#RRGGBB colours the text, BGCOLOR=#RRGGBB (the last attribute) its background.
BODY sets the cell's background, V shows text in the system's highlight colours; /V and /FONT
go back to the colour of the last FONT tag that gave one (so a later text is not black again
after a white FONT) and to the body's background." \
'<BODY BGCOLOR=#FFF4D6><V>Highlighted</V> and back in the last FONT colour on the body colour
<FONT COLOR=#C00000>Red</FONT>, <FONT COLOR=#008000>green</FONT> and <FONT COLOR=#FFFFFF BGCOLOR=#2060C0>white on blue</FONT>'

example paragraphs 640 "Paragraphs and alignment" \
"P LEFT, P CENTER and P RIGHT align what follows; /P goes back to the left. Lines break at
blanks and at - ; , [ ] + / when the cell is too narrow." \
'<P LEFT>Left: a longer line that wraps onto the next one within the width of the cell, breaking at a blank
<P CENTER>Centred text
<P RIGHT>Right aligned</P>
Back on the left'

example span 640 "The SPAN box" \
"SPAN ... /SPAN puts its content in a box at the right edge, at most 40 % of the width; the
text after it flows to the left of the box until below it. The calendar shows times this way." \
'<SPAN><FONT COLOR=#606060>09:30-10:15</FONT></SPAN><B>Project review</B> with the whole team, in the large room on the second floor next to the kitchen'

example tab_edge 480 "TB and EDGE" \
"TB moves to the middle of the cell; EDGE draws a grey line along the cell's bottom." \
'<B>Phone</B><TB>555-0100
<B>Mobile</B><TB>555-0199<EDGE>'

example links 640 "Links and hot spots" \
"A=\"target\" ... /A makes the text a link: tapping it reports the target. Every linked piece
leaves a hot spot, one per line when a link wraps." \
'Call <A="tel:5550100">Anna Berg</A> or write to <A="mailto:anna@example.com">anna@example.com</A> about the <A="task:42">signed contract</A>'
{
    echo 'Its hot spots (`kstools render --hotspots`: left, top, right, bottom and target):'
    echo
    echo '```'
    "$kstools" render --width 640 --scale 2 --hotspots --measure --markup \
        'Call <A="tel:5550100">Anna Berg</A> or write to <A="mailto:anna@example.com">anna@example.com</A> about the <A="task:42">signed contract</A>' |
        tail -n +2
    echo '```'
    echo
} >>"$doc"

example images 640 "Pictures" \
"IMG SRC=name asks the cell's owner window for a picture: a number is one of the library's
numbered pictures, a name with an extension a picture file. Without SIZE the picture is as
tall as the text; SIZE=n asks for n pixels; NODRAW keeps the space and paints nothing. Pure
green is transparent." \
'<IMG SRC=10> Task  <IMG SRC=237> Appointment  <IMG SRC=293> Contact
<IMG SRC=207> <IMG SRC=267> <IMG SRC=328> <IMG SRC=322> notes
<IMG SRC=237 SIZE=32> as large as asked, [<IMG SRC=293 NODRAW>] space kept'

echo "wrote $doc and $(ls "$out" | wc -l) pictures in $out"
