// The host operations on the real Windows facilities. One instance lives for
// the whole process; the main window hands it its HWND once created.
#pragma once

#include <windows.h>

#include <functional>

#include "host/host.h"

namespace qv {

class Win32Host : public Host {
public:
    // Installs the out-of-memory handler: from here on a failed allocation
    // ends the process with an error box and exit code -1.
    Win32Host();
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    void set_main_window(HWND window) { main_window_ = window; }
    HWND main_window() const { return main_window_; }
    // The orderly shutdown's clean-up, run at most once; also used by the
    // entry routine when the message loop ends.
    void run_exit_cleanup();

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
    [[noreturn]] void exit_program(int exit_code) override;
    void set_exit_cleanup(std::function<void()> cleanup) override;
    bool walk_processes(const std::function<bool(const Text& exe_file, std::uint32_t id)>& visit) override;
    bool terminate_process(std::uint32_t id, unsigned exit_code) override;

    int message_box(const Text& text, int flags, const Text& title) override;
    int read_property(ControlNumber window, ControlNumber control, Property<int> property) override;
    Text read_property(ControlNumber window, ControlNumber control, Property<Text> property) override;
    void write_property(ControlNumber window, ControlNumber control, Property<int> property, int value) override;
    void write_property(ControlNumber window, ControlNumber control, Property<Text> property,
                        const Text& value) override;
    int add_combo_item(ControlNumber window, ControlNumber control, const Text& item,
                       std::intptr_t item_data = 0) override;

    HttpResponse http_get(const Text& address) override;
    ByteBuffer convert_encoding(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) override;

private:
    // The control's window: the main window itself for window::kSelf, else
    // the descendant of the main window whose control ID matches.
    HWND find_control(ControlNumber window, ControlNumber control) const;
    void release_resources();
    [[noreturn]] static void out_of_memory();

    HWND main_window_ = nullptr;
    void* internet_ = nullptr;  // HINTERNET, opened by the first http_get
    std::function<void()> exit_cleanup_;
    std::new_handler previous_new_handler_ = nullptr;

    static Win32Host* instance_;
};

}  // namespace qv
