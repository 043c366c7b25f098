#include "PlistFixtures.h"

#include <Foundation/DeviceRoot.h>

#include <plist/plist.h>

#include <cstdlib>
#include <grp.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plisttest {

DeviceRootTest::DeviceRootTest() {
    fs::permissions(m_root.path(), fs::perms(0755));
    DeviceRoot::set(m_root.str());
}

fs::path DeviceRootTest::real(std::string_view phonePath) const {
    return m_root.path() / fs::path(phonePath).relative_path();
}

std::string DeviceRootTest::prefsFile(std::string_view name) const {
    std::string phone = "/var/mobile/Library/Preferences/" + std::string(name);
    fs::create_directories(real(phone).parent_path());
    for (fs::path p = real(phone).parent_path(); p != m_root.path(); p = p.parent_path())
        fs::permissions(p, fs::perms(0755));
    return phone;
}

std::string DeviceRootTest::listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

std::string everyKindXml() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>currency</key><string>EUR</string>
	<key>empty</key><string></string>
	<key>text</key><string>a &lt;b&gt; &amp; &#x20AC; c</string>
	<key>negative</key><integer>-42</integer>
	<key>int64min</key><integer>-9223372036854775808</integer>
	<key>uint64max</key><integer>18446744073709551615</integer>
	<key>real</key><real>0.5</real>
	<key>yes</key><true/>
	<key>no</key><false/>
	<key>date</key><date>2013-01-01T00:00:00Z</date>
	<key>data</key><data>aGVsbG8=</data>
	<key>list</key><array><integer>1</integer><string>two</string><array/></array>
	<key>nested</key><dict><key>inner</key><dict><key>deep</key><true/></dict></dict>
</dict>
</plist>
)";
}

std::string binaryFromXml(std::string_view xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
    if (!root)
        return {};
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string out(bytes, length);
    std::free(bytes);
    plist_free(root);
    return out;
}

std::string nestedArraysXml(std::size_t depth) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    xml.reserve(xml.size() + depth * 15 + 16);
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<array>";
    for (std::size_t i = 0; i < depth; ++i)
        xml += "</array>";
    return xml + "</plist>\n";
}

bool runAsNobody(const std::function<bool()>& body) {
    if (geteuid() != 0)
        return body();
    pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {
        ADD_FAILURE() << "the child running as nobody did not finish normally";
        return false;
    }
    return WEXITSTATUS(status) == 0;
}

} // namespace plisttest
