#pragma once
// Element search over a whole reply document by tag name, as the server calls
// read their replies, and the text of an element.

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace tarnwel {

// Every element below `root` whose name is exactly `tagName` (letter case
// counts), wherever it stands, in document order.
std::vector<pugi::xml_node> ElementsByTagName(const pugi::xml_node& root, std::string_view tagName);

bool IsTextNode(const pugi::xml_node& node);

// Appends the text of every text and CDATA node below `element`, in document
// order, with the text that a parse kept as an element's value (it opened
// that element) in its place.
void AppendElementText(std::string& out, const pugi::xml_node& element);

// The text of the element and all its descendants.
std::string ElementText(const pugi::xml_node& element);

} // namespace tarnwel
