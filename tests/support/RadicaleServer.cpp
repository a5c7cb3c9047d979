#include "tests/support/RadicaleServer.h"

#include "tests/support/RunProgram.h"

#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
// Radicale ends within a fraction of a second of SIGTERM; one that does not is killed.
constexpr auto kStopGrace = std::chrono::seconds(3);

// A port nobody listens on now: the system picks one for a socket bound to port 0. Radicale binds it
// a moment later; should another program take it in between, Launch tries a new one.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

size_t AppendBody(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

size_t TakeEtag(char* data, size_t size, size_t count, void* target)
{
    const std::string line(data, size * count);
    constexpr std::string_view name = "etag:";
    if (line.size() > name.size() && strncasecmp(line.c_str(), name.data(), name.size()) == 0) {
        std::string value = line.substr(name.size());
        const auto first = value.find_first_not_of(" \t");
        const auto last = value.find_last_not_of(" \t\r\n");
        *static_cast<std::string*>(target) = first == std::string::npos ? "" : value.substr(first, last - first + 1);
    }
    return size * count;
}

std::string ContentType(const std::string& path, const std::string& method)
{
    if (path.ends_with(".vcf"))
        return "text/vcard; charset=utf-8";
    if (path.ends_with(".ics"))
        return "text/calendar; charset=utf-8";
    return method == "PUT" ? "application/octet-stream" : "application/xml; charset=utf-8";
}

// What an XML text needs escaped inside an element.
std::string XmlText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The href of each response of a multistatus, whatever prefix the server gives the DAV namespace. Only
// a response's own href counts: properties hold hrefs as well (owner, current-user-principal).
std::vector<std::string> ResponseHrefs(const std::string& xml)
{
    std::vector<std::string> hrefs;
    bool inResponse = false;
    size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        const size_t nameEnd = xml.find_first_of(" />", at + 1);
        const size_t tagEnd = xml.find('>', at);
        if (nameEnd == std::string::npos || tagEnd == std::string::npos)
            break;
        std::string name = xml.substr(at + 1, nameEnd - at - 1);
        if (const size_t colon = name.find(':'); colon != std::string::npos)
            name = name.substr(colon + 1);
        if (name == "response") {
            inResponse = true;
        } else if (name == "href" && inResponse && xml[tagEnd - 1] != '/') {
            const size_t close = xml.find('<', tagEnd);
            if (close == std::string::npos)
                break;
            hrefs.push_back(xml.substr(tagEnd + 1, close - tagEnd - 1));
            inResponse = false;
        } else if (name == "propstat") {
            inResponse = false;
        }
        at = tagEnd;
    }
    return hrefs;
}

std::string Described(const RadicaleResponse& response)
{
    if (response.status == 0)
        return "no answer: " + response.error;
    return "HTTP " + std::to_string(response.status) + (response.body.empty() ? "" : ": " + response.body);
}

std::string WithoutLeadingSlash(const std::string& path)
{
    return path.starts_with('/') ? path.substr(1) : path;
}

} // namespace

RadicaleServer::RadicaleServer()
    : m_storage(m_folder.file("storage/"))
    , m_log(m_folder.file("radicale.log"))
{
    fs::create_directories(m_storage);
}

RadicaleServer::~RadicaleServer()
{
    Stop();
}

void RadicaleServer::AddUser(const std::string& user, const std::string& password)
{
    m_users.emplace_back(user, password);
}

bool RadicaleServer::Start(std::string& error)
{
    m_tls = false;
    return Launch(error);
}

bool RadicaleServer::StartTls(const std::string& certFile, const std::string& keyFile, std::string& error)
{
    m_tls = true;
    m_certFile = certFile;
    m_keyFile = keyFile;
    return Launch(error);
}

std::string RadicaleServer::ConfigText() const
{
    std::string config = "[server]\nhosts = 127.0.0.1:" + std::to_string(m_port) + "\n";
    if (m_tls)
        config += "ssl = True\ncertificate = " + m_certFile + "\nkey = " + m_keyFile + "\n";
    // No delay after a wrong password (by default up to 1.5 s, against guessing), so that tests of
    // one stay quick.
    config += "[auth]\ntype = htpasswd\nhtpasswd_filename = " + m_folder.file("users") +
              "\nhtpasswd_encryption = plain\ndelay = 0\n";
    // Each user sees only the collections under its own name, which is radicale's default made plain.
    config += "[rights]\ntype = owner_only\n";
    config += "[storage]\nfilesystem_folder = " + m_storage + "\n";
    config += "[logging]\nlevel = warning\nmask_passwords = True\n";
    return config;
}

bool RadicaleServer::Launch(std::string& error)
{
    error.clear();
    if (m_pid > 0) {
        error = "radicale is running already";
        return false;
    }
    const std::string program = FindOnPath("radicale");
    if (program.empty()) {
        error = "radicale is not installed: run scripts/setup";
        return false;
    }
    std::string users;
    for (const auto& [user, password] : m_users)
        users += user + ":" + password + "\n";
    TempDir::WriteFile(m_folder.file("users"), users);

    // The first start picks the port; a restart keeps it, as a client that knows the server expects.
    const bool keepPort = m_port != 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!keepPort)
            m_port = FreePort();
        if (m_port == 0) {
            error = std::string("no free port: ") + std::strerror(errno);
            return false;
        }
        const std::string configFile = m_folder.file("config");
        TempDir::WriteFile(configFile, ConfigText());
        const size_t logStart = Log().size();

        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int log = ::open(m_log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (in < 0 || log < 0) {
            error = "cannot open radicale's log " + m_log + ": " + std::strerror(errno);
            if (in >= 0)
                ::close(in);
            if (log >= 0)
                ::close(log);
            return false;
        }
        const std::vector<std::string> args = {program, "--config", configFile};
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A test process that dies without running its destructors (a crash, a time-out kill)
            // takes the server with it.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(127);
            ::dup2(in, STDIN_FILENO);
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        const int forkErrno = errno;
        ::close(in);
        ::close(log);
        if (pid < 0) {
            error = std::string("cannot start radicale: ") + std::strerror(forkErrno);
            return false;
        }
        m_pid = pid;
        if (WaitUntilAnswering(error))
            return true;
        const bool portTaken = Log().find("Address already in use", logStart) != std::string::npos;
        if (keepPort || !portTaken)
            return false;
    }
    return false;
}

bool RadicaleServer::WaitUntilAnswering(std::string& error)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (true) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            error = "radicale ended at its start (" +
                    (WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status))
                                       : "signal " + std::to_string(WTERMSIG(status))) +
                    "); its log:\n" + Log();
            return false;
        }
        // Any answer at all, even "not found", means it listens and serves.
        if (Request("", "", "GET", "").status != 0)
            return true;
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            error = "radicale did not answer on " + Url() + " within " +
                    std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kStartLimit).count()) +
                    " s; its log:\n" + Log();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void RadicaleServer::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(m_pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
    }
    m_pid = 0;
}

std::string RadicaleServer::Url() const
{
    return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + "/";
}

std::string RadicaleServer::Log() const
{
    return TempDir::ReadFile(m_log);
}

bool RadicaleServer::MakeCertificate(const std::string& folder, std::string& certFile, std::string& keyFile,
                                     std::string& error)
{
    certFile = folder + "cert.pem";
    keyFile = folder + "key.pem";
    // An elliptic-curve key: made in milliseconds, where an RSA key takes a noticeable part of a second.
    const ProgramRun run = RunProgram(
        {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
         keyFile, "-out", certFile, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
        {}, std::chrono::seconds(10));
    if (!run.Succeeded()) {
        error = run.started ? run.Describe() : "openssl is not installed: run scripts/setup";
        return false;
    }
    return true;
}

RadicaleResponse RadicaleServer::Request(const std::string& user, const std::string& password,
                                         const std::string& method, const std::string& path, const std::string& body,
                                         const std::vector<std::string>& headers) const
{
    RadicaleResponse response;
    CURL* curl = curl_easy_init();
    if (!curl) {
        response.error = "curl_easy_init failed";
        return response;
    }
    const std::string url = Url() + WithoutLeadingSlash(path);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // The server is on this machine: no proxy of the environment may stand between.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 2000L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 20000L);
    if (!user.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    }
    if (m_tls)
        curl_easy_setopt(curl, CURLOPT_CAINFO, m_certFile.c_str());
    curl_slist* list = nullptr;
    // Radicale speaks HTTP/1.0 and would only make a client wait for a "100 Continue" it never sends.
    list = curl_slist_append(list, "Expect:");
    if (!body.empty() || method == "PUT") {
        list = curl_slist_append(list, ("Content-Type: " + ContentType(path, method)).c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    for (const std::string& header : headers)
        list = curl_slist_append(list, header.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, TakeEtag);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.etag);
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    else
        response.error = curl_easy_strerror(code);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return response;
}

bool RadicaleServer::MakeAddressBook(const std::string& user, const std::string& password, const std::string& path,
                                     const std::string& displayName, std::string& error)
{
    // Extended MKCOL (RFC 5689): the resource type makes it an address book.
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
                             "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
                             "<D:displayname>" +
                             XmlText(displayName) + "</D:displayname></D:prop></D:set></D:mkcol>";
    const RadicaleResponse response = Request(user, password, "MKCOL", path, body);
    if (response.status == 201)
        return true;
    error = "MKCOL " + path + ": " + Described(response);
    return false;
}

bool RadicaleServer::MakeCalendar(const std::string& user, const std::string& password, const std::string& path,
                                  const std::string& displayName, const std::string& color,
                                  const std::string& components, std::string& error)
{
    std::string props = "<D:displayname>" + XmlText(displayName) + "</D:displayname>";
    if (!color.empty())
        props += "<I:calendar-color>" + XmlText(color) + "</I:calendar-color>";
    if (!components.empty()) {
        props += "<C:supported-calendar-component-set>";
        size_t start = 0;
        while (start <= components.size()) {
            const size_t end = std::min(components.find(',', start), components.size());
            props += "<C:comp name=\"" + XmlText(components.substr(start, end - start)) + "\"/>";
            start = end + 1;
        }
        props += "</C:supported-calendar-component-set>";
    }
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<C:mkcalendar xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" "
                             "xmlns:I=\"http://apple.com/ns/ical/\"><D:set><D:prop>" +
                             props + "</D:prop></D:set></C:mkcalendar>";
    const RadicaleResponse response = Request(user, password, "MKCALENDAR", path, body);
    if (response.status == 201)
        return true;
    error = "MKCALENDAR " + path + ": " + Described(response);
    return false;
}

long RadicaleServer::Put(const std::string& user, const std::string& password, const std::string& path,
                         const std::string& text, std::string* etag)
{
    const RadicaleResponse response = Request(user, password, "PUT", path, text);
    if (etag)
        *etag = response.etag;
    return response.status;
}

long RadicaleServer::Get(const std::string& user, const std::string& password, const std::string& path,
                         std::string& text, std::string* etag)
{
    const RadicaleResponse response = Request(user, password, "GET", path);
    if (response.status == 200) {
        text = response.body;
        if (etag)
            *etag = response.etag;
    }
    return response.status;
}

std::vector<std::string> RadicaleServer::Hrefs(const std::string& user, const std::string& password,
                                               const std::string& collection)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                             "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/></D:prop></D:propfind>";
    const RadicaleResponse response = Request(user, password, "PROPFIND", collection, body, {"Depth: 1"});
    if (response.status != 207)
        return {};
    std::string self = "/" + WithoutLeadingSlash(collection);
    if (!self.ends_with('/'))
        self += '/';
    std::vector<std::string> hrefs = ResponseHrefs(response.body);
    std::erase_if(hrefs, [&](const std::string& href) { return href == self || href + "/" == self; });
    std::sort(hrefs.begin(), hrefs.end());
    return hrefs;
}

bool RadicaleServer::SeedItems(const std::string& collectionPath,
                               const std::vector<std::pair<std::string, std::string>>& items, std::string& error)
{
    std::string folder = m_storage + "collection-root/" + WithoutLeadingSlash(collectionPath);
    if (!folder.ends_with('/'))
        folder += '/';
    std::error_code ec;
    if (!fs::exists(folder + ".Radicale.props", ec)) {
        error = "no collection at " + folder + ": make it with MakeAddressBook or MakeCalendar first";
        return false;
    }
    // Radicale takes this lock (shared to read, exclusive to write) around every use of the storage.
    const std::string lockFile = m_storage + ".Radicale.lock";
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        error = "cannot lock " + lockFile + ": " + std::strerror(errno);
        if (lock >= 0)
            ::close(lock);
        return false;
    }
    bool ok = true;
    for (const auto& [name, text] : items) {
        if (name.empty() || name.starts_with('.') || name.find('/') != std::string::npos) {
            error = "not an item file name: " + name;
            ok = false;
            break;
        }
        // Written beside under a dot name, which radicale passes over, and renamed: it never reads half
        // an item.
        const std::string partial = folder + "." + name + ".seed";
        TempDir::WriteFile(partial, text);
        fs::rename(partial, folder + name, ec);
        if (ec) {
            error = "cannot write " + folder + name + ": " + ec.message();
            ok = false;
            break;
        }
    }
    ::close(lock);
    return ok;
}

RadicaleServer::Items RadicaleServer::ItemsOf(const std::string& user, const std::string& password,
                                              const std::string& collection)
{
    Items items;
    for (const std::string& href : Hrefs(user, password, collection)) {
        std::string text;
        std::string etag;
        const long status = Get(user, password, href, text, &etag);
        items[href] = status == 200 ? std::make_pair(text, etag)
                                    : std::make_pair(std::string(), "HTTP " + std::to_string(status));
    }
    return items;
}
