// Registration of the language highlighter classes, done explicitly at start-up (not by static
// constructors, whose order across files is undefined).
#pragma once

// Registers every built-in language highlighter class with RegisterHighlighterClass, in the order of
// the family's language table. Calling it again changes nothing.
void RegisterSynHighlighters();
