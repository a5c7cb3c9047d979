// TEMPORARY stand-in until the real normaliser lands (not committed).
#pragma once
#include <string>
#include <string_view>
std::string NormalizeName(std::string_view text);
std::string NormalizeNameParts(std::string_view first, std::string_view middle, std::string_view last);
std::string EmailKey(std::string_view text);
