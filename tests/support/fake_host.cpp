#include "tests/support/fake_host.h"

#include <cstdio>

#include "host/encoding.h"
#include "host/site.h"

namespace qv::testing {
namespace {

std::string key_for(ControlNumber control) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(control));
    return hex;
}

std::string parent_of(const std::string& key) {
    const size_t slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

bool starts_with(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

FakeHost::FakeHost() {
    add_folder(roaming_folder);
    add_folder(temporary_folder);
    add_folder("C:\\Users\\player\\AppData\\LocalLow");
    // The window as it stands after creation, before the start-up services.
    texts[{control::kInstallButton, property::kCaption.number}] = "安装";
    texts[{control::kCustomSourceBox, property::kContentText.number}] = site_address("/Quorvane/serverlist.json");
    texts[{control::kVoiceServerBox, property::kContentText.number}] = "https://bettercrewl.ink";
    numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = -1;
    numbers[{window::kSelf, property::kHeight.number}] = 160;
    numbers[{control::kInstallButton, property::kTop.number}] = 96;
    numbers[{control::kUninstallButton, property::kTop.number}] = 96;
    numbers[{control::kSourceHintLabel, property::kVisible.number}] = 1;
    numbers[{control::kCustomSourceBox, property::kVisible.number}] = 0;
    numbers[{control::kVoiceServerGroupBox, property::kVisible.number}] = 0;
}

std::string FakeHost::resolve(const Text& path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (const char c : path.view()) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
        }
    }
    flush();
    std::string key;
    for (const std::string& p : parts) key += (key.empty() ? "" : "\\") + p;
    return key;
}

void FakeHost::add_folder(const Text& path) {
    for (std::string key = resolve(path); !key.empty(); key = parent_of(key)) folders_.insert(key);
}

void FakeHost::add_file(const Text& path, std::string_view bytes) {
    const std::string key = resolve(path);
    add_folder(Text(parent_of(key)));
    files_[key] = std::string(bytes);
}

void FakeHost::set_read_only(const Text& path, bool read_only) {
    if (read_only) read_only_.insert(resolve(path)); else read_only_.erase(resolve(path));
}

void FakeHost::set_locked(const Text& path, bool locked) {
    if (locked) locked_.insert(resolve(path)); else locked_.erase(resolve(path));
}

void FakeHost::respond(const Text& address, std::string_view body, int status) {
    responses[address.str()] = HttpResponse{ByteBuffer(std::string(body)), status};
}

bool FakeHost::has_file(const Text& path) const { return files_.count(resolve(path)) != 0; }
bool FakeHost::has_folder(const Text& path) const { return folders_.count(resolve(path)) != 0; }

std::string FakeHost::file(const Text& path) const {
    const auto found = files_.find(resolve(path));
    return found == files_.end() ? std::string() : found->second;
}

bool FakeHost::parent_exists(const std::string& key) const {
    const std::string parent = parent_of(key);
    return parent.empty() || folders_.count(parent) != 0;
}

int FakeHost::number(ControlNumber control, Property<int> property) const {
    const auto found = numbers.find({control, property.number});
    return found == numbers.end() ? 0 : found->second;
}

Text FakeHost::text(ControlNumber control, Property<Text> property) const {
    if (property.number == property::kSelectedText.number) {
        const auto items = combo_items.find(control);
        const int index = number(control, property::kSelectedIndex);
        if (items == combo_items.end() || index < 0 || index >= static_cast<int>(items->second.size())) return {};
        return items->second[static_cast<size_t>(index)];
    }
    const auto found = texts.find({control, property.number});
    return found == texts.end() ? Text() : found->second;
}

Text FakeHost::special_folder(int folder_number) {
    return folder_number == folder::kRoamingAppData ? roaming_folder : Text();
}

Text FakeHost::temp_folder() { return temporary_folder; }

bool FakeHost::file_exists(const Text& path) {
    if (path.empty() || path.view().back() == '\\') return false;
    const std::string key = resolve(path);
    return files_.count(key) != 0 || folders_.count(key) != 0;
}

ByteBuffer FakeHost::read_file(const Text& path) {
    file_operations.push_back("read " + resolve(path));
    const auto found = files_.find(resolve(path));
    if (path.empty() || found == files_.end() || locked_.count(found->first)) return {};
    return ByteBuffer(found->second);
}

bool FakeHost::write_file(const Text& path, std::span<const ByteBuffer> buffers) {
    const std::string key = resolve(path);
    file_operations.push_back("write " + key);
    if (path.empty() || !parent_exists(key) || folders_.count(key) || read_only_.count(key) || locked_.count(key))
        return false;
    std::string content;
    for (const ByteBuffer& buffer : buffers) content += buffer.str();
    files_[key] = content;
    return true;
}

bool FakeHost::replace_file(const Text& path, const ByteBuffer& bytes) {
    const std::string key = resolve(path);
    file_operations.push_back("replace " + key);
    if (path.empty() || !parent_exists(key) || folders_.count(key) || read_only_.count(key) || locked_.count(key))
        return false;
    files_[key] = bytes.str();
    return true;
}

bool FakeHost::delete_file(const Text& path) {
    const std::string key = resolve(path);
    file_operations.push_back("delete " + key);
    if (!files_.count(key) || read_only_.count(key) || locked_.count(key)) return false;
    files_.erase(key);
    return true;
}

bool FakeHost::create_folder(const Text& path) {
    const std::string key = resolve(path);
    file_operations.push_back("create_folder " + key);
    if (key.empty() || folders_.count(key) || files_.count(key) || !parent_exists(key)) return false;
    folders_.insert(key);
    return true;
}

bool FakeHost::delete_folder(const Text& path) {
    const std::string key = resolve(path);
    file_operations.push_back("delete_folder " + key);
    if (!folders_.count(key)) return false;
    bool all_gone = true;
    for (auto it = files_.begin(); it != files_.end();) {
        if (starts_with(it->first, key + "\\") && !read_only_.count(it->first)) {
            it = files_.erase(it);
        } else {
            if (starts_with(it->first, key + "\\")) all_gone = false;
            ++it;
        }
    }
    if (!all_gone) return false;
    for (auto it = folders_.begin(); it != folders_.end();)
        it = (it->rfind(key, 0) == 0 && (it->size() == key.size() || (*it)[key.size()] == '\\')) ? folders_.erase(it)
                                                                                                 : std::next(it);
    return true;
}

bool FakeHost::run_command(const Text& command_line, bool wait, std::optional<int> show_mode,
                           const Text& working_folder) {
    commands.push_back({command_line, wait, show_mode, working_folder});
    const std::string attrib = "attrib -a -s -h -r \"";
    const std::string& line = command_line.str();
    if (attrib_clears_attributes && starts_with(line, attrib) && line.back() == '"')
        set_read_only(Text(line.substr(attrib.size(), line.size() - attrib.size() - 1)), false);
    return true;
}

void FakeHost::open_url(const Text& address) { opened_urls.push_back(address); }

void FakeHost::pause(int milliseconds) {
    pauses.push_back(milliseconds);
    if (milliseconds > 0 && during_pause) during_pause();
}

void FakeHost::exit_program(int code) {
    if (cleanup_) {
        auto cleanup = std::move(cleanup_);
        cleanup_ = nullptr;
        cleanup();
        ++cleanup_runs;
    }
    exit_code = code;
    throw ProgramExited{code};
}

void FakeHost::set_exit_cleanup(std::function<void()> cleanup) { cleanup_ = std::move(cleanup); }

bool FakeHost::walk_processes(const std::function<bool(const Text&, std::uint32_t)>& visit) {
    if (snapshot_fails) return false;
    for (const Process& process : processes)
        if (process.running && visit(process.exe_file, process.id)) break;
    return true;
}

bool FakeHost::terminate_process(std::uint32_t id, unsigned code) {
    for (Process& process : processes) {
        if (process.id != id || !process.running) continue;
        if (!process.can_open) return false;
        process.running = false;
        process.exit_code = code;
        return true;
    }
    return false;
}

int FakeHost::message_box(const Text& text, int flags, const Text& title) {
    boxes.push_back({text, flags, title});
    if (answers.empty()) return answer::kOk;
    const int next = answers.front();
    answers.pop_front();
    return next;
}

int FakeHost::read_property(ControlNumber, ControlNumber control, Property<int> property) {
    return number(control, property);
}

Text FakeHost::read_property(ControlNumber, ControlNumber control, Property<Text> property) {
    return text(control, property);
}

void FakeHost::write_property(ControlNumber, ControlNumber control, Property<int> property, int value) {
    numbers[{control, property.number}] = value;
    property_writes.push_back(key_for(control) + " " + std::to_string(property.number) + "=" + std::to_string(value));
}

void FakeHost::write_property(ControlNumber, ControlNumber control, Property<Text> property, const Text& value) {
    texts[{control, property.number}] = value;
    property_writes.push_back(key_for(control) + " " + std::to_string(property.number) + "=" + value.str());
}

int FakeHost::add_combo_item(ControlNumber, ControlNumber control, const Text& item, std::intptr_t) {
    auto& items = combo_items[control];
    items.push_back(item);
    return static_cast<int>(items.size()) - 1;
}

HttpResponse FakeHost::http_get(const Text& address) {
    requests.push_back(address);
    if (address.empty()) return {};
    const auto found = responses.find(address.str());
    return found == responses.end() ? HttpResponse{} : found->second;
}

ByteBuffer FakeHost::convert_encoding(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) {
    return iconv_convert(bytes, from_set, to_set);
}

}  // namespace qv::testing
