// Addresses on a CardDAV or CalDAV server: the server's origin, hrefs resolved against the address
// they came with, and the form an href takes in a record's helper text.
#pragma once

#include <string>
#include <string_view>

// "scheme://host[:port]" of an absolute http or https address; empty for anything else.
std::string UrlOrigin(const std::string& url);
// The path of an absolute address ("/" when it has none); empty for anything else.
std::string UrlPath(const std::string& url);
// An href as a server writes it (absolute address, absolute path or relative path) made absolute
// against base; empty when it cannot be. An href on another origin than base's is refused (empty):
// a server names only its own resources, and the password must not go elsewhere.
std::string ResolveHref(const std::string& base, const std::string& href);
// Whether the address ends with '/', as a collection's does; the address with one added.
std::string AsCollectionUrl(const std::string& url);

// A record's helper text keeps the item's path where a folder account keeps a file name, and the
// app takes the text up to its first '/' for the item's name: the path's '/' become "%2F", and its
// '%' and '\' "%25" and "%5C", so that Unescape gives back exactly the path.
std::string EscapeItemPath(std::string_view path);
// The inverse; false for a text EscapeItemPath cannot have written.
bool UnescapeItemPath(std::string_view text, std::string& path);
