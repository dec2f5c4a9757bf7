#pragma once

// The window fonts are asked for by their Windows names; this maps each name
// onto a Japanese font of the same kind that the system has (Noto CJK from
// Debian's fonts-noto-cjk first), so that fontconfig does not fall back to a
// Latin font that lacks the kana and kanji. Safe to call more than once.
void installJapaneseFontSubstitutes();
