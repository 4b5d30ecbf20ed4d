#include "xml_document.h"

#include "utils.h"

#include <rapidxml/rapidxml_print.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>

namespace XML {

namespace {

void* pool_alloc(std::size_t size) { return std::malloc(size); }
void pool_free(void* block) { std::free(block); }

char* pool_copy(Document& document, const std::string& text)
{
    return document.allocate_string(text.c_str(), text.size() + 1);
}

Document& document_of(Node* node) { return *node->document(); }

}  // namespace

CXmlReader::CXmlReader() { document_.set_allocator(pool_alloc, pool_free); }

bool CXmlReader::WriteToFile(const std::string& path, int flags)
{
    std::string text;
    rapidxml::print(std::back_inserter(text), document_, flags);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = helper::write_all(fd, text.data(), text.size());
    return close(fd) == 0 && written;
}

Node* Xml_CreateDocument(Document& document, const char* root, const char* encoding, const char* version)
{
    document.clear();
    Node* declaration = document.allocate_node(rapidxml::node_declaration);
    declaration->append_attribute(document.allocate_attribute("version", pool_copy(document, version)));
    declaration->append_attribute(document.allocate_attribute("encoding", pool_copy(document, encoding)));
    document.append_node(declaration);
    Node* element = document.allocate_node(rapidxml::node_element, pool_copy(document, root));
    document.append_node(element);
    return element;
}

Node* Xml_AppendNode(Node* parent, const char* name, const std::string& value)
{
    if (parent == nullptr)
        return nullptr;
    Document& document = document_of(parent);
    Node* child = document.allocate_node(rapidxml::node_element, pool_copy(document, name),
                                         pool_copy(document, value));
    parent->append_node(child);
    return child;
}

void Xml_AppendAttribute(Node* node, const char* name, const std::string& value)
{
    if (node == nullptr)
        return;
    Document& document = document_of(node);
    node->append_attribute(document.allocate_attribute(pool_copy(document, name), pool_copy(document, value)));
}

}  // namespace XML
