// A real Radicale CardDAV/CalDAV server for one test: on 127.0.0.1 at a free port, with its storage,
// users, configuration and log in a temporary folder of its own, stopped (and never left running)
// when the object goes. Requests go over HTTP through libcurl with basic authentication, so the
// server sees them as any client's.
//
// Paths such as "alice/contacts/" are relative to the server root; hrefs come back as the server
// writes them ("/alice/contacts/a.vcf", percent-encoded where it encodes).
#pragma once

#include "tests/support/TempDir.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// Named apart from the helpers' own HttpResponse, which a test may link beside it.
struct RadicaleResponse
{
    long status = 0;   // the HTTP status; 0 when no answer came (the error says why)
    std::string body;  // the response body
    std::string etag;  // the ETag header's value, quotes included; empty when there was none
    std::string error; // libcurl's text when the request failed
};

class RadicaleServer
{
public:
    RadicaleServer();
    ~RadicaleServer(); // stops the server
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // A user of the htpasswd file (plain passwords); takes effect at the next Start.
    void AddUser(const std::string& user, const std::string& password);

    // Starts radicale over http and waits until it answers. The first start takes a free port; a start
    // after Stop() takes the same port again, on the same storage. False with the reason, and
    // radicale's log, in error; "radicale is not installed: run scripts/setup" when it is not on PATH.
    bool Start(std::string& error);
    // The same over https with that certificate and key (PEM files, see MakeCertificate). Requests of
    // this object then trust that certificate, and only it.
    bool StartTls(const std::string& certFile, const std::string& keyFile, std::string& error);
    // Asks radicale to end (SIGTERM), kills it after a grace period; nothing when it is not running.
    void Stop();
    bool Running() const { return m_pid > 0; }

    // "http://127.0.0.1:<port>/", https for a TLS start. Valid after the first Start.
    std::string Url() const;
    int Port() const { return m_port; }
    const std::string& StorageFolder() const { return m_storage; }
    // What radicale has written to its log so far (level warning and above), for failure messages.
    std::string Log() const;

    // A self-signed certificate for 127.0.0.1 (subjectAltName IP:127.0.0.1) made with openssl:
    // <folder>cert.pem and <folder>key.pem. folder ends with '/'.
    static bool MakeCertificate(const std::string& folder, std::string& certFile, std::string& keyFile,
                                std::string& error);

    // An address book at path (extended MKCOL with its display name).
    bool MakeAddressBook(const std::string& user, const std::string& password, const std::string& path,
                         const std::string& displayName, std::string& error);
    // A calendar at path (MKCALENDAR) with its display name, colour ("#rrggbb", Apple's calendar-color;
    // left out when empty) and the component names it holds ("VEVENT,VTODO"; left out when empty).
    bool MakeCalendar(const std::string& user, const std::string& password, const std::string& path,
                      const std::string& displayName, const std::string& color, const std::string& components,
                      std::string& error);

    // Any request: method, path, body (sent with a content type fitting the path or the method) and
    // extra header lines ("Depth: 1").
    RadicaleResponse Request(const std::string& user, const std::string& password, const std::string& method,
                             const std::string& path, const std::string& body = {},
                             const std::vector<std::string>& headers = {}) const;
    // PUT; the HTTP status, with the new ETag in etag when given.
    long Put(const std::string& user, const std::string& password, const std::string& path, const std::string& text,
             std::string* etag = nullptr);
    // GET; the HTTP status, with text and etag filled on 200.
    long Get(const std::string& user, const std::string& password, const std::string& path, std::string& text,
             std::string* etag = nullptr);
    // The hrefs of the items in a collection (PROPFIND, Depth 1, the collection itself left out), sorted;
    // empty when the request fails.
    std::vector<std::string> Hrefs(const std::string& user, const std::string& password, const std::string& collection);
    // Every item of a collection as a client reads it: href to its text and ETag (GET each of Hrefs).
    // An item that cannot be read stands with an empty text and its status in place of the ETag.
    using Items = std::map<std::string, std::pair<std::string, std::string>>;
    Items ItemsOf(const std::string& user, const std::string& password, const std::string& collection);

    // Many items at once, faster than thousands of PUTs: (file name, text) pairs written straight into
    // the collection's folder of the storage, which the collection must already have (MakeAddressBook
    // or MakeCalendar first). Radicale 3 keeps a collection "<user>/<name>/" as the folder
    // <storage>/collection-root/<user>/<name>/ with one file per item, named as its href, beside its
    // ".Radicale.props"; dot files are its own, so names must not start with '.'. Its caches are
    // rebuilt from the item files when they are missing. Works while the server runs.
    bool SeedItems(const std::string& collectionPath, const std::vector<std::pair<std::string, std::string>>& items,
                   std::string& error);

private:
    bool Launch(std::string& error);
    bool WaitUntilAnswering(std::string& error);
    std::string ConfigText() const;

    TempDir m_folder;
    std::string m_storage;
    std::string m_log;
    std::vector<std::pair<std::string, std::string>> m_users;
    int m_port = 0;
    int m_pid = 0;
    bool m_tls = false;
    std::string m_certFile;
    std::string m_keyFile;
};
