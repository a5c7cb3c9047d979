// Where each card of a contact file of several (an address-book export) lies, so that one card can be
// served and deleted without touching a byte of the others.
#pragma once

#include "helpers/base/TextSpan.h"

#include <string>
#include <string_view>
#include <vector>

// The top-level cards of text in order, each from its BEGIN:VCARD line to the line break of its END,
// with its UID; the lines between them (a byte order mark, blank lines) belong to no card. Cards are
// told apart as CountContactCards counts them: a card right after an empty AGENT value is part of
// the card around it. False, with the reason in fault, for a card without its END: where a damaged
// card ends is a guess, and deleting it must never take a line of its neighbour. The caller checks
// each card's text with the reader.
bool FindContactCards(std::string_view text, std::vector<ComponentSpan>& cards, std::string& fault);
