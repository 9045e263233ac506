// The texts that Install's boxes must show, written out once for all the
// tests that check them (never taken from the handlers themselves).
#pragma once

namespace qv::testing {

inline constexpr const char kContentHeading[] = "\r\n\r\n安装内容（中文可能会变成乱码，正常现象）:\r\n\r\n";
inline constexpr const char kEmptyDownloadText[] =
    "未能获取安装源内的私服列表，请重试，若多次无法获取请检查安装源的可用性。";
inline constexpr const char kWriteFailureText[] = "安装失败，请重试。若再次失败请检查文件权限或寻求帮助！";
inline constexpr const char kPatchFailureText[] =
    "未能更改BetterCrewLink服务器地址，配置文件未被修改。请检查网络和BetterCrewLink设置后重试。";

}  // namespace qv::testing
