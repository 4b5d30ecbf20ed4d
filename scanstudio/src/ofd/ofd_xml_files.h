#pragma once

#include "ofd_state.h"
#include "xml_document.h"

#include <string>

// The XML files of an OFD package, built in memory.
namespace ofd::xml_files {

// Namespace of the 2016 edition of the OFD standard, on every root element.
inline constexpr char kNamespace[] = "http://www.ofdspec.org/2016";

// OFD.xml of the package root; the document ID is 32 lower-case hex digits.
void build_ofd(XML::CXmlReader& xml, const document_state& state, const std::string& document_id);
// Doc_0/Document.xml
void build_document(XML::CXmlReader& xml, const document_state& state);
// Doc_0/DocumentRes.xml
void build_document_res(XML::CXmlReader& xml, const document_state& state);
// Doc_0/Pages/Page_<i>/Context.xml
void build_page_context(XML::CXmlReader& xml, const ofd_page& page);

// A fresh document ID from the system's random source: 16 byte pairs, pair 6
// beginning with "4", pair 8 with one of "8", "9", "a", "b".
std::string new_document_id();

}  // namespace ofd::xml_files
