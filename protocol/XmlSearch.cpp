#include "protocol/XmlSearch.h"

namespace tarnwel {
namespace {

// Calls `visit` for every node below `root` in document order.
template <typename Visit>
void WalkDescendants(const pugi::xml_node& root, Visit visit)
{
    pugi::xml_node node = root.first_child();
    while (node) {
        visit(node);
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        while (!node.next_sibling()) {
            node = node.parent();
            if (node == root)
                return;
        }
        node = node.next_sibling();
    }
}

} // namespace

std::vector<pugi::xml_node> ElementsByTagName(const pugi::xml_node& root, std::string_view tagName)
{
    std::vector<pugi::xml_node> found;
    WalkDescendants(root, [&](const pugi::xml_node& node) {
        if (node.type() == pugi::node_element && tagName == node.name())
            found.push_back(node);
    });
    return found;
}

bool IsTextNode(const pugi::xml_node& node)
{
    const pugi::xml_node_type type = node.type();
    return type == pugi::node_pcdata || type == pugi::node_cdata;
}

void AppendElementText(std::string& out, const pugi::xml_node& element)
{
    // An element's own value is its first text, ahead of its children.
    if (element.type() == pugi::node_element)
        out += element.value();
    WalkDescendants(element, [&](const pugi::xml_node& node) {
        if (IsTextNode(node) || node.type() == pugi::node_element)
            out += node.value();
    });
}

std::string ElementText(const pugi::xml_node& element)
{
    std::string text;
    AppendElementText(text, element);
    return text;
}

} // namespace tarnwel
