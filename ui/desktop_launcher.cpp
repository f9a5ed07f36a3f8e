#include "ui/desktop_launcher.h"

#include "platform/file_writes.h"
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// Values of a desktop entry escape the backslash and line breaks themselves.
std::string entryValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string quoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%'; // a lone % would be a field code
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string desktopLauncherText(const std::filesystem::path& program,
                                const std::filesystem::path& icon) {
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=Velomira\n"
                       "Comment=图片制作MP4幻灯片视频\n";
    text += "Exec=" + entryValue(quoteExecArgument(program.string())) + " %f\n";
    text += "Path=" + entryValue(program.parent_path().string()) + "\n";
    if (!icon.empty())
        text += "Icon=" + entryValue(icon.string()) + "\n";
    text += std::string("MimeType=") + kProjectMimeType + ";\n";
    text += "Terminal=false\n"
            "Categories=AudioVideo;Video;\n";
    return text;
}

bool writeDesktopLauncher(const std::filesystem::path& desktopFolder,
                          const std::filesystem::path& program, const std::filesystem::path& icon) {
    const std::filesystem::path target = desktopFolder / kLauncherFileName;
    const std::filesystem::path temporary =
        desktopFolder / (std::string(".") + kLauncherFileName + "." + std::to_string(getpid()));
    const std::string text = desktopLauncherText(program, icon);
    {
        UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755));
        if (!fd.valid())
            return false;
        if (!writeAll(fd.get(), text) || ::fchmod(fd.get(), 0755) != 0 || !fd.close()) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace velomira
