#pragma once

// A syntax check of TJS2 text as the engine compiles it: its tokens, its
// operators and its statements, without running or resolving anything.
// Where the text leaves the check unable to follow the engine (a
// preprocessor @if, nesting deeper than it follows), the text passes: a
// fault reported where the engine sees none would do more harm than one
// missed.

#include <optional>
#include <string>
#include <string_view>

struct TjsSyntaxFault {
    int line = 1;        // from 1
    int column = 1;      // from 1, in characters: a CP932 double-byte character counts once
    bool atEnd = false;  // the text ended where more was needed
    std::string message; // CP932: what is wrong and how to mend it
};

// Statements, as an [iscript] block or a plugin script holds them.
std::optional<TjsSyntaxFault> CheckTjsScript(std::string_view text);

// A formula as the engine evaluates an eval tag's or a condition's: it
// compiles the text with a ';' after it, so statements separated by ';'
// pass too, and an empty formula is no fault.
std::optional<TjsSyntaxFault> CheckTjsExpression(std::string_view text);
