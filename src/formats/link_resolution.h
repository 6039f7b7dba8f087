#pragma once

// Relative links in feeds: resolved against the xml:base in effect and, failing that, the feed's own address, so the
// store holds absolute links.

#include <string>
#include <string_view>

namespace tidewick {

class TXmlNode;

// Whether address can serve as a base: http, https or ftp (any letter case) with a host. Other schemes are never
// used, so a feed cannot turn its relative links into script or file addresses.
bool IsUsableBase(std::string_view address);

// Whether address is an http or https address with a host (an Atom id that can stand in for a link).
bool IsWebAddress(std::string_view address);

// reference resolved against base by the rules of RFC 3986 (dot segments removed, query and fragment kept). A
// reference with a scheme, an empty one, and any reference when base is not usable come back unchanged.
std::string ResolveLink(std::string_view base, std::string_view reference);

// The base in effect at node: the document address, then every xml:base from the outermost ancestor in to node
// itself, each relative one resolved against the base outside it; one that does not give a usable base is skipped.
// Empty when there is no usable base.
std::string BaseAddressAt(const TXmlNode* node, std::string_view documentAddress);

// link resolved against BaseAddressAt(node, documentAddress); a link with a scheme or an empty one is returned at
// once, without looking at the tree.
std::string ResolveLinkAt(const TXmlNode* node, std::string link, std::string_view documentAddress);

}  // namespace tidewick
