#pragma once

#include "ofd.h"

#include <cstdint>
#include <string>
#include <vector>

// The document state behind an ofd_context.
namespace ofd {

// A length in millimetres as the XML files print it ("%f", C locale).
std::string format_length(float millimetres);

struct ofd_box {
    float width = 0.0f;
    float height = 0.0f;

    // "0 0 <width> <height>"
    std::string to_physical_box() const;
};

struct ofd_page {
    enum class Source { File, Memory };
    Source source = Source::File;
    std::string file;
    const unsigned char* buffer = nullptr;
    unsigned size = 0;
    unsigned width = 0;
    unsigned height = 0;
    double dpi_x = 0.0;
    double dpi_y = 0.0;
    ofd_box physical;
    int index = 0;
    std::string media_file;  // "image_<resource ID>.jpg"
    std::string base_loc;    // "Pages/Page_<index>/Context.xml"
    std::uint32_t page_id = 0;
    std::uint32_t resource_id = 0;
    std::uint32_t layer_id = 0;
    std::uint32_t image_id = 0;
};

struct ofd_custom_item {
    std::string name;
    std::string value;
    std::string type;
};

struct document_state {
    std::string creator;
    std::string creator_version;
    ofd_box page_box;
    std::uint16_t dpi_x = 0;
    std::uint16_t dpi_y = 0;
    std::uint32_t id_counter = 0;
    std::vector<ofd_custom_item> custom_items;
    std::vector<ofd_page> pages;
    ofd_callback* callback = nullptr;
    int last_error = OFD_OK;
    std::string work_folder;  // ends with "/"
};

}  // namespace ofd
