// Addresses on a CardDAV or CalDAV server: the server's origin, hrefs resolved against the address
// they came with, and the form an href takes in a record's helper text.
#pragma once

#include <string>
#include <string_view>

// "scheme://host[:port]" of an absolute http or https address; empty for anything else.
std::string UrlOrigin(const std::string& url);
// The host of an absolute http or https address (an IPv6 address in brackets); empty for anything else.
std::string UrlHost(const std::string& url);
// The path of an absolute address ("/" when it has none); empty for anything else.
std::string UrlPath(const std::string& url);
// The address as every resolved one is written (no default port, dot segments gone), so that
// addresses compare as text; an address that is not http or https stays as it is.
std::string NormalisedUrl(const std::string& url);
// An href as a server writes it (absolute address, absolute path or relative path) made absolute
// against base; empty when it cannot be. An href on another origin than base's is refused (empty):
// a server names only its own resources, and the password must not go elsewhere.
std::string ResolveHref(const std::string& base, const std::string& href);
// The same for an address discovery is led to (a redirect, a principal, a home): large hosted services
// keep a user's collections on a host of their own (one of many), named by the server the user gave.
// Another origin is taken when it is https, or plain http on this machine; never plain http elsewhere,
// where the password would cross the network readable.
std::string ResolveDiscoveryHref(const std::string& base, const std::string& href);
// Whether the host is this machine: localhost, 127.x.x.x or [::1].
bool IsLoopbackHost(const std::string& host);
// Whether url names an item directly in the collection (an address ending with '/').
bool IsItemOf(const std::string& url, const std::string& collection);

// Whether the address ends with '/', as a collection's does; the address with one added.
std::string AsCollectionUrl(const std::string& url);

// A record's helper text keeps the item's address where a folder account keeps a file name, and the
// app takes the text up to its first '/' for the item's name: the address's '/' become "%2F", and its
// '%' and '\' "%25" and "%5C", so that Unescape gives back exactly the address.
std::string EscapeItemPath(std::string_view path);
// The inverse; false for a text EscapeItemPath cannot have written.
bool UnescapeItemPath(std::string_view text, std::string& path);
