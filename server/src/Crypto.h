#pragma once

#include <string>

namespace velto::server::crypto {

// Secret values (tokens, codes, ids) come from libsodium's CSPRNG (getrandom underneath).
// Call once before any other function of this namespace.
void initialize();

// `bytes` random bytes as unpadded base64url (32 bytes give 43 characters).
std::string randomToken(std::size_t bytes = 32);

// SHA-256 of the text, lower-case hex: how tokens and codes are stored.
std::string sha256Hex(const std::string& text);

// A random version-4 UUID in canonical upper-case form.
std::string uuid();

// True when the text is exactly `length` characters of the base64url alphabet.
bool isBase64Url(const std::string& text, std::size_t length);

// Constant-time comparison of two strings of possibly different length.
bool equalConstantTime(const std::string& a, const std::string& b);

} // namespace velto::server::crypto
