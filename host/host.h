// The system operations that handlers reach the world through. Nothing here
// throws: every failure shows in the result (false, -1, an empty text or an
// empty buffer). The Win32 implementation lives in host/win32/; the native
// tests use an in-memory fake.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "host/controls.h"
#include "host/text.h"

namespace qv {

namespace folder {
inline constexpr int kRoamingAppData = 8;  // CSIDL_APPDATA
}

namespace box {
inline constexpr int kError = 16;
inline constexpr int kExclamation = 48;
inline constexpr int kQuestionYesNo = 36;
inline constexpr int kInformationOkCancel = 65;
inline constexpr int kSystemModal = 0x1000;
inline constexpr int kTaskModal = 0x2000;
}  // namespace box

namespace answer {
inline constexpr int kOk = 0;
inline constexpr int kCancel = 1;
inline constexpr int kAbort = 2;
inline constexpr int kRetry = 3;
inline constexpr int kIgnore = 4;
inline constexpr int kYes = 5;
inline constexpr int kNo = 6;
}  // namespace answer

namespace show {
inline constexpr int kHidden = 1;
inline constexpr int kNormal = 2;
}  // namespace show

struct HttpResponse {
    ByteBuffer body;       // whatever the server sent, error pages included
    int status = 0;        // 0 when no response arrived at all
    bool complete = true;  // false when fewer bytes came than Content-Length announced

    // A whole 2xx body: the only kind that may go into the user's files.
    bool succeeded() const { return status >= 200 && status <= 299 && complete; }
};

class Host {
public:
    virtual ~Host() = default;

    // Files and folders.
    virtual Text special_folder(int folder_number) = 0;
    // The system's temporary folder, ending in a backslash; empty when the
    // system cannot name one.
    virtual Text temp_folder() = 0;
    virtual bool file_exists(const Text& path) = 0;
    virtual ByteBuffer read_file(const Text& path) = 0;
    virtual bool write_file(const Text& path, std::span<const ByteBuffer> buffers) = 0;
    bool write_file(const Text& path, const ByteBuffer& bytes) { return write_file(path, std::span(&bytes, 1)); }
    // Writes the bytes to a new file beside `path` and moves it over `path`,
    // so that a failure leaves the old content whole.
    virtual bool replace_file(const Text& path, const ByteBuffer& bytes) = 0;
    virtual bool delete_file(const Text& path) = 0;
    virtual bool create_folder(const Text& path) = 0;
    virtual bool delete_folder(const Text& path) = 0;

    // Processes and shell. An omitted show mode is 2; an empty working
    // folder means the caller's own.
    virtual bool run_command(const Text& command_line, bool wait, std::optional<int> show_mode,
                             const Text& working_folder) = 0;
    bool run_command(const Text& command_line, bool wait = false, std::optional<int> show_mode = std::nullopt) {
        return run_command(command_line, wait, show_mode, Text());
    }
    virtual void open_url(const Text& address) = 0;
    virtual void pause(int milliseconds) = 0;
    // Runs the exit clean-up once and ends the process. A fake host returns.
    virtual void exit_program(int exit_code) = 0;
    virtual void set_exit_cleanup(std::function<void()> cleanup) = 0;

    // Calls `visit` with each process's executable file name and id, in the
    // snapshot's order, until it returns true. False when no snapshot.
    virtual bool walk_processes(const std::function<bool(const Text& exe_file, std::uint32_t id)>& visit) = 0;
    // Opens the process for termination only and ends it with the code.
    virtual bool terminate_process(std::uint32_t id, unsigned exit_code) = 0;

    // Window and controls.
    virtual int message_box(const Text& text, int flags, const Text& title) = 0;
    virtual int read_property(ControlNumber window, ControlNumber control, Property<int> property) = 0;
    virtual Text read_property(ControlNumber window, ControlNumber control, Property<Text> property) = 0;
    virtual void write_property(ControlNumber window, ControlNumber control, Property<int> property,
                                int value) = 0;
    virtual void write_property(ControlNumber window, ControlNumber control, Property<Text> property,
                                const Text& value) = 0;
    virtual int add_combo_item(ControlNumber window, ControlNumber control, const Text& item,
                               std::intptr_t item_data = 0) = 0;

    // Network and character sets.
    virtual HttpResponse http_get(const Text& address) = 0;
    virtual ByteBuffer convert_encoding(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) = 0;
};

}  // namespace qv
