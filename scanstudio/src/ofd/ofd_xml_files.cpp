#include "ofd_xml_files.h"

#include "file_routines.h"

#include <cstdio>
#include <ctime>

namespace ofd::xml_files {

namespace {

using XML::Node;
using XML::Xml_AppendAttribute;
using XML::Xml_AppendNode;

Node* create_root(XML::CXmlReader& xml, const char* root)
{
    Node* element = XML::Xml_CreateDocument(xml.document(), root, "gb2312", "1.0");
    Xml_AppendAttribute(element, "xmlns:ofd", kNamespace);
    return element;
}

std::string id_text(std::uint32_t id) { return std::to_string(id); }

std::string local_date(bool with_time)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    if (with_time)
        std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    else
        std::snprintf(text, sizeof text, "%d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

}  // namespace

std::string new_document_id()
{
    std::string id = helper::random_hex_bytes(16);
    id[12] = '4';
    static const char variants[] = "89ab";
    const char drawn = id[16];
    id[16] = variants[(drawn <= '9' ? drawn - '0' : drawn - 'a' + 10) & 3];
    return id;
}

void build_ofd(XML::CXmlReader& xml, const document_state& state, const std::string& document_id)
{
    Node* root = create_root(xml, "ofd:OFD");
    Xml_AppendAttribute(root, "DocType", "OFD");
    Xml_AppendAttribute(root, "Version", "1.1");
    Node* body = Xml_AppendNode(root, "ofd:DocBody", "");
    Node* info = Xml_AppendNode(body, "ofd:DocInfo", "");
    Xml_AppendNode(info, "ofd:DocID", document_id);
    Xml_AppendNode(info, "ofd:CreationDate", local_date(false));
    Xml_AppendNode(info, "ofd:ModDate", local_date(true));
    Xml_AppendNode(info, "ofd:Creator", state.creator);
    Xml_AppendNode(info, "ofd:CreatorVersion", state.creator_version);
    if (!state.custom_items.empty()) {
        Node* items = Xml_AppendNode(info, "ofd:CustomDatas", "");
        for (const ofd_custom_item& item : state.custom_items) {
            Node* data = Xml_AppendNode(items, "ofd:CustomData", item.value);
            Xml_AppendAttribute(data, "Name", item.name);
            Xml_AppendAttribute(data, "Type", item.type);
        }
    }
    Xml_AppendNode(body, "ofd:DocRoot", "Doc_0/Document.xml");
}

void build_document(XML::CXmlReader& xml, const document_state& state)
{
    Node* root = create_root(xml, "ofd:Document");
    Node* common = Xml_AppendNode(root, "ofd:CommonData", "");
    Xml_AppendNode(common, "ofd:MaxUnitID", id_text(state.id_counter));
    Node* area = Xml_AppendNode(common, "ofd:PageArea", "");
    Xml_AppendNode(area, "ofd:PhysicalBox", state.page_box.to_physical_box());
    Xml_AppendNode(common, "ofd:DocumentRes", "DocumentRes.xml");
    Node* pages = Xml_AppendNode(root, "ofd:Pages", "");
    for (const ofd_page& page : state.pages) {
        Node* entry = Xml_AppendNode(pages, "ofd:Page", "");
        Xml_AppendAttribute(entry, "ID", id_text(page.page_id));
        Xml_AppendAttribute(entry, "BaseLoc", page.base_loc);
    }
}

void build_document_res(XML::CXmlReader& xml, const document_state& state)
{
    Node* root = create_root(xml, "ofd:Res");
    Xml_AppendAttribute(root, "BaseLoc", "Res");
    Node* medias = Xml_AppendNode(root, "ofd:MultiMedias", "");
    for (const ofd_page& page : state.pages) {
        Node* media = Xml_AppendNode(medias, "ofd:MultiMedia", "");
        Xml_AppendAttribute(media, "ID", id_text(page.resource_id));
        Xml_AppendAttribute(media, "Type", "Image");
        Xml_AppendNode(media, "ofd:MediaFile", page.media_file);
    }
}

void build_page_context(XML::CXmlReader& xml, const ofd_page& page)
{
    const std::string w = format_length(page.physical.width);
    const std::string h = format_length(page.physical.height);
    Node* root = create_root(xml, "ofd:Page");
    Node* area = Xml_AppendNode(root, "ofd:Area", "");
    Xml_AppendNode(area, "ofd:PhysicalBox", page.physical.to_physical_box());
    Node* content = Xml_AppendNode(root, "ofd:Content", "");
    Node* layer = Xml_AppendNode(content, "ofd:Layer", "");
    Xml_AppendAttribute(layer, "ID", id_text(page.layer_id));
    Node* image = Xml_AppendNode(layer, "ofd:ImageObject", "");
    Xml_AppendAttribute(image, "ID", id_text(page.image_id));
    Xml_AppendAttribute(image, "CTM", w + " 0 0 " + h + " 0 0");
    Xml_AppendAttribute(image, "Boundary", "0 0 " + w + " " + h);
    Xml_AppendAttribute(image, "ResourceID", id_text(page.resource_id));
}

}  // namespace ofd::xml_files
