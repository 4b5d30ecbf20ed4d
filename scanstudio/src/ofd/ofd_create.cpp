// create_document: names the IDs, writes the package folder, zips it and
// removes the folder again.

#include "file_routines.h"
#include "ofd_xml_files.h"
#include "utils.h"
#include "zip_compress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


namespace ofd {

namespace {

bool folder_exists(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class Writer {
public:
    explicit Writer(document_state& state) : state_(state) {}

    int run(const char* out_file);

private:
    void message(const char* text, int code)
    {
        if (state_.callback != nullptr)
            state_.callback->showMessage(text, code);
    }
    void fail(int error, const char* text)
    {
        state_.last_error = error;
        message(text, -1);
    }

    void assign_ids();
    bool make_folders();
    void write_pages();
    bool write_page_image(const ofd_page& page);
    bool write_memory_image(const ofd_page& page, const std::string& path);
    void write_document_files();

    document_state& state_;
    std::string root_;
    std::string document_folder_;
    std::string resource_folder_;
    XML::CXmlReader document_xml_;
    XML::CXmlReader resource_xml_;
};

void Writer::assign_ids()
{
    for (ofd_page& page : state_.pages) {
        page.page_id = ++state_.id_counter;
        page.resource_id = ++state_.id_counter;
        page.layer_id = ++state_.id_counter;
        page.image_id = ++state_.id_counter;
        page.base_loc = "Pages/Page_" + std::to_string(page.index) + "/Context.xml";
        page.media_file = "image_" + std::to_string(page.resource_id) + ".jpg";
    }
}

bool Writer::make_folders()
{
    document_folder_ = root_ + "/Doc_0";
    resource_folder_ = document_folder_ + "/Res";
    helper::create_directory(document_folder_);
    helper::create_directory(resource_folder_);
    if (!folder_exists(resource_folder_)) {
        fail(OFD_ERR_FOLDER, "create res directory error");
        return false;
    }
    return true;
}

bool Writer::write_memory_image(const ofd_page& page, const std::string& path)
{
    unlink(path.c_str());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = helper::write_all(fd, page.buffer, page.size);
    return close(fd) == 0 && ok;
}

bool Writer::write_page_image(const ofd_page& page)
{
    const std::string target = resource_folder_ + "/" + page.media_file;
    if (page.source == ofd_page::Source::File) {
        if (!helper::copy_file(page.file, target, true)) {
            fail(OFD_ERR_PAGE_IMAGE, "page image copy failed!");
            return false;
        }
    } else if (!write_memory_image(page, target)) {
        fail(OFD_ERR_PAGE_IMAGE, "page image create error!");
        return false;
    }
    return true;
}

void Writer::write_pages()
{
    message("copy image files", 0);
    const long long total = static_cast<long long>(state_.pages.size());
    for (const ofd_page& page : state_.pages) {
        const long long pos = page.index + 1;
        bool cancel = false;
        if (state_.callback != nullptr)
            state_.callback->onPosChanging(total, pos, cancel);
        if (cancel) {
            state_.last_error = OFD_ERR_CANCELLED;
            return;
        }
        if (!write_page_image(page))
            return;
        const std::string context_folder =
            helper::get_file_directory(helper::combine_path_file(document_folder_, page.base_loc));
        helper::create_directory(context_folder);
        if (!folder_exists(context_folder)) {
            fail(OFD_ERR_FOLDER, "create page context direcotry error");
            return;
        }
        XML::CXmlReader context_xml;
        xml_files::build_page_context(context_xml, page);
        if (!context_xml.WriteToFile(context_folder + "/Context.xml")) {
            fail(OFD_ERR_XML_FILE, "create page context xml file error");
            return;
        }
        if (state_.callback != nullptr)
            state_.callback->onPosChanged(total, pos);
    }
}

void Writer::write_document_files()
{
    XML::CXmlReader ofd_xml;
    xml_files::build_ofd(ofd_xml, state_, xml_files::new_document_id());
    message("create ofd document xml files", 0);
    if (!resource_xml_.WriteToFile(document_folder_ + "/DocumentRes.xml")) {
        fail(OFD_ERR_XML_FILE, "create res xml file error");
        return;
    }
    if (!document_xml_.WriteToFile(document_folder_ + "/Document.xml") ||
        !ofd_xml.WriteToFile(root_ + "/OFD.xml"))
        fail(OFD_ERR_XML_FILE, "create root xml file error");
}

int Writer::run(const char* out_file)
{
    if (state_.pages.empty()) {
        state_.last_error = OFD_ERR_NO_PAGES;
        return OFD_ERR_NO_PAGES;
    }
    message("init", 0);
    state_.last_error = OFD_OK;
    state_.id_counter = 0;
    assign_ids();

    root_ = helper::create_private_directory(state_.work_folder);
    if (root_.empty()) {
        fail(OFD_ERR_FOLDER, "create res directory error");
    } else if (make_folders()) {
        xml_files::build_document(document_xml_, state_);
        xml_files::build_document_res(resource_xml_, state_);
        write_pages();
        if (state_.last_error == OFD_OK)
            write_document_files();
        if (state_.last_error == OFD_OK) {
            message("compress files", 0);
            if (zip::zip_compress(root_, out_file, true) != 0)
                fail(OFD_ERR_ZIP, "compress out file error");
        }
    }
    message("cleaup tmp files", 0);
    if (!root_.empty())
        helper::remove_directory_tree(root_);
    return state_.last_error;
}

}  // namespace

int create_document(ofd_context context, const char* out_file)
{
    auto* state = static_cast<document_state*>(context);
    if (state == nullptr)
        return OFD_ERR_NO_CONTEXT;
    if (out_file == nullptr || *out_file == '\0') {
        state->last_error = OFD_ERR_ZIP;
        return OFD_ERR_ZIP;
    }
    return Writer(*state).run(out_file);
}

}  // namespace ofd
