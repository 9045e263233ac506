// An in-memory host for the handlers' native tests: files and folders keyed
// by their resolved path (".." steps applied, ASCII case folded, as Windows
// resolves them), scripted downloads and message box answers, and a record
// of everything a handler asked the system to do.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host.h"

namespace qv::testing {

// Thrown by FakeHost::exit_program, which on a real host never returns.
struct ProgramExited {
    int exit_code;
};

class FakeHost : public Host {
public:
    struct Box {
        Text text;
        int flags;
        Text title;
    };
    struct Command {
        Text line;
        bool wait;
        std::optional<int> show_mode;
        Text working_folder;
    };
    struct Process {
        Text exe_file;
        std::uint32_t id;
        bool can_open = true;
        bool running = true;
        std::optional<unsigned> exit_code;
    };

    FakeHost();

    // --- the scripted world ---
    Text roaming_folder = "C:\\Users\\player\\AppData\\Roaming\\";
    Text temporary_folder = "C:\\Users\\player\\AppData\\Local\\Temp\\";
    std::map<std::string, HttpResponse> responses;  // by exact address; others fail with status 0
    std::deque<int> answers;                        // message box answers in order; then OK (0)
    std::vector<Process> processes;
    bool snapshot_fails = false;
    bool attrib_clears_attributes = true;  // whether "attrib -a -s -h -r" does its work
    std::function<void()> during_pause;    // runs inside pause(), as a nested event would

    void add_folder(const Text& path);  // and every folder above it
    void add_file(const Text& path, std::string_view bytes);  // folders above it included
    void set_read_only(const Text& path, bool read_only = true);
    void set_locked(const Text& path, bool locked = true);  // held open by another process
    void respond(const Text& address, std::string_view body, int status = 200);

    bool has_file(const Text& path) const;
    bool has_folder(const Text& path) const;
    std::string file(const Text& path) const;  // content; empty when missing

    // --- what the handlers did ---
    std::vector<Box> boxes;
    std::vector<Command> commands;
    std::vector<Text> opened_urls;
    std::vector<Text> requests;
    std::vector<int> pauses;
    std::vector<std::string> file_operations;  // "write <path>", "create_folder <path>", ...
    std::optional<int> exit_code;
    int cleanup_runs = 0;

    // Control state.
    std::map<std::pair<ControlNumber, int>, int> numbers;
    std::map<std::pair<ControlNumber, int>, Text> texts;
    std::map<ControlNumber, std::vector<Text>> combo_items;
    std::vector<std::string> property_writes;  // "<control hex> <property>=<value>", in order

    int number(ControlNumber control, Property<int> property) const;
    Text text(ControlNumber control, Property<Text> property) const;

    // --- Host ---
    Text special_folder(int folder_number) override;
    Text temp_folder() override;
    bool file_exists(const Text& path) override;
    ByteBuffer read_file(const Text& path) override;
    bool write_file(const Text& path, std::span<const ByteBuffer> buffers) override;
    using Host::write_file;
    bool replace_file(const Text& path, const ByteBuffer& bytes) override;
    bool delete_file(const Text& path) override;
    bool create_folder(const Text& path) override;
    bool delete_folder(const Text& path) override;
    bool run_command(const Text& command_line, bool wait, std::optional<int> show_mode,
                     const Text& working_folder) override;
    using Host::run_command;
    void open_url(const Text& address) override;
    void pause(int milliseconds) override;
    void exit_program(int exit_code) override;
    void set_exit_cleanup(std::function<void()> cleanup) override;
    bool walk_processes(const std::function<bool(const Text&, std::uint32_t)>& visit) override;
    bool terminate_process(std::uint32_t id, unsigned exit_code) override;
    int message_box(const Text& text, int flags, const Text& title) override;
    int read_property(ControlNumber window, ControlNumber control, Property<int> property) override;
    Text read_property(ControlNumber window, ControlNumber control, Property<Text> property) override;
    void write_property(ControlNumber window, ControlNumber control, Property<int> property, int value) override;
    void write_property(ControlNumber window, ControlNumber control, Property<Text> property,
                        const Text& value) override;
    int add_combo_item(ControlNumber window, ControlNumber control, const Text& item,
                       std::intptr_t item_data) override;
    HttpResponse http_get(const Text& address) override;
    ByteBuffer convert_encoding(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) override;

    static std::string resolve(const Text& path);

private:
    bool parent_exists(const std::string& key) const;

    std::map<std::string, std::string> files_;
    std::set<std::string> folders_;
    std::set<std::string> read_only_;
    std::set<std::string> locked_;
    std::function<void()> cleanup_;
};

}  // namespace qv::testing
