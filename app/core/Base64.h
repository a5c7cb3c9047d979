// Base64 (standard alphabet, "=" padding) for the password kept in the settings file.
#pragma once

#include <cstddef>

// Encodes size bytes of data into out (capacity bytes, terminator included). Returns false, with
// out set to the empty text, when the encoded text would not fit.
bool Base64Encode(const unsigned char* data, size_t size, char* out, size_t capacity);

// Decodes text into out (capacity bytes) and terminates it; returns the number of bytes decoded.
// Text is read in groups of four characters; "=" or any character outside the alphabet ends its
// group early, which then yields only the bytes completed before it, and decoding goes on with the
// next group. A last group shorter than four characters is read the same way. Bytes that do not
// fit into capacity - 1 are dropped.
size_t Base64Decode(const char* text, unsigned char* out, size_t capacity);
