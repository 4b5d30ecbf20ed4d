#pragma once

#include <rapidxml/rapidxml.hpp>

#include <memory>
#include <string>

// XML documents built in memory and printed once to a file.
namespace XML {

using Document = rapidxml::xml_document<char>;
using Node = rapidxml::xml_node<char>;

// One XML document in RapidXML's own memory pool.
class CXmlReader {
public:
    CXmlReader();
    virtual ~CXmlReader() = default;
    CXmlReader(const CXmlReader&) = delete;
    CXmlReader& operator=(const CXmlReader&) = delete;

    virtual bool OnParserXML() { return true; }
    virtual bool OnMakeXML() { return true; }

    Document& document() { return document_; }

    // Prints the whole document (flags 0: indented) into the file, replacing
    // it; false when the file cannot be opened or written.
    bool WriteToFile(const std::string& path, int flags = 0);

private:
    Document document_;
};

using XmlReader = std::shared_ptr<CXmlReader>;

// Clears the document, appends the declaration (version, then encoding) and
// the root element, and returns the root.
Node* Xml_CreateDocument(Document& document, const char* root, const char* encoding, const char* version);

// Appends a child element with the text `value` ("" gives an empty element);
// null for a null parent. Both strings are copied into the document's pool.
Node* Xml_AppendNode(Node* parent, const char* name, const std::string& value);

// Appends an attribute; both strings are copied into the document's pool.
void Xml_AppendAttribute(Node* node, const char* name, const std::string& value);

}  // namespace XML
