#include "cli/doctor.h"
#include "cli/json_text.h"
#include "store/ascii.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "device/apply.h"
#include "device/device_io.h"
#include "drivers/transport.h"

namespace mouse::cli {

namespace {

// Bytes as two digits each, a space between: as a reader compares them.
std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t v : bytes) {
        text += text.empty() ? "" : " ";
        text += HexBytes({&v, 1});
    }
    return text;
}

std::string Hex4(unsigned v) {
    return HexNumber(v, 4);
}

// Passes every call on and keeps the bytes of the feature exchanges.
class RecordingApi final : public hid::HidApi {
public:
    explicit RecordingApi(hid::HidApi& inner, DoctorExchange& log) : inner_(inner), log_(log) {}
    std::vector<hid::HidEntry> Enumerate(int vid, int pid) override {
        return inner_.Enumerate(vid, pid);
    }
    std::optional<std::vector<uint8_t>> ReadDescriptor(const std::string& path) override {
        return inner_.ReadDescriptor(path);
    }
    Handle* Open(const std::string& path) override { return inner_.Open(path); }
    void Close(Handle* h) override { inner_.Close(h); }
    int SendFeature(Handle* h, const uint8_t* data, size_t length) override {
        log_.steps.push_back({"sent", {data, data + length}});
        return inner_.SendFeature(h, data, length);
    }
    int GetFeature(Handle* h, uint8_t* data, size_t length) override {
        log_.steps.push_back({"sent", {data, data + length}});
        const int r = inner_.GetFeature(h, data, length);
        log_.steps.push_back({"received", {data, data + (r > 0 ? static_cast<size_t>(r) : 0)}});
        return r;
    }
    // The doctor never writes output reports.
    int Write(Handle*, const uint8_t*, size_t) override { return -1; }
    int Read(Handle* h, uint8_t* data, size_t length, int ms) override {
        return inner_.Read(h, data, length, ms);
    }

private:
    hid::HidApi& inner_;
    DoctorExchange& log_;
};

class TransportIo final : public DeviceIo {
public:
    explicit TransportIo(driver::Transport& t) : t_(t) {}
    int SetFeature(uint8_t* r, int) override { return t_.SetFeature(r); }
    int GetFeature(uint8_t* b, int) override { return t_.GetFeature(b); }
    int WriteUSB(uint8_t*, int) override { return 0; }

private:
    driver::Transport& t_;
};

DoctorNode Access(hid::HidApi& api, const hid::NodeReport& node) {
    DoctorNode d;
    d.node = node;
    errno = 0;
    hid::HidApi::Handle* h = api.Open(node.path);
    if (h != nullptr) {
        api.Close(h);
        d.mayOpen = true;
        return d;
    }
    const int e = errno;
    d.openProblem = e != 0 ? std::strerror(e) : "cannot be opened";
    if (e == EACCES || e == EPERM) {
        d.fix =
            "install the udev rule of the program (70-mouse-driver.rules) into "
            "/etc/udev/rules.d/, run 'sudo udevadm control --reload && sudo udevadm trigger', "
            "then plug the mouse in again";
    } else if (e == ENOENT || e == ENODEV) {
        d.fix = "the node went away: plug the mouse in again";
    }
    return d;
}

}  // namespace

DoctorReport ExamineHidraw(hid::HidApi& api, int vid, int pid) {
    DoctorReport report;
    report.vid = vid;
    report.pid = pid;
    const std::vector<hid::HidEntry> entries = api.Enumerate(vid, pid);
    report.choice = hid::ChooseChannels(
        entries, [&](const std::string& path) { return api.ReadDescriptor(path); });
    for (const hid::NodeReport& n : report.choice.nodes) {
        report.nodes.push_back(Access(api, n));
    }
    if (!report.choice.Ok()) {
        return report;
    }
    DoctorExchange exchange;
    exchange.via = report.choice.nodes[static_cast<size_t>(report.choice.feature)].path;
    RecordingApi recording(api, exchange);
    auto transport = driver::MakeHidTransport(recording);
    if (transport->OpenFeature(vid, pid) == 0) {
        exchange.problem = "the feature node cannot be opened";
    } else {
        TransportIo io(*transport);
        if (const auto v = ReadFirmwareVersion(io, [](int) {})) {
            exchange.version = std::pair{v->major, v->minor};
        } else {
            exchange.problem = "the mouse did not answer the version read";
        }
    }
    report.exchange = std::move(exchange);
    return report;
}

void PrintDoctor(const DoctorReport& r, std::ostream& out) {
    if (!r.session.empty()) {
        out << "session: " << r.session << "\n";
    }
    out << "mouse: vendor " << Hex4(static_cast<unsigned>(r.vid)) << ", product "
        << Hex4(static_cast<unsigned>(r.pid)) << "\n";
    if (!r.simSocket.empty()) {
        out << "MOUSE_SIM_SOCKET is set: the program talks to the virtual mouse at " << r.simSocket
            << ", not to these nodes\n";
    }
    if (r.nodes.empty()) {
        out << "no hidraw node with this vendor and product\n";
    }
    for (const DoctorNode& d : r.nodes) {
        const hid::NodeReport& n = d.node;
        out << "\n" << n.path << " (interface " << n.interfaceNumber << ")\n";
        for (const auto& [page, usage] : n.usages) {
            out << "  collection: usage page " << Hex4(page) << ", usage " << Hex4(usage) << "\n";
        }
        out << "  open: " << (d.mayOpen ? "yes" : "no, " + d.openProblem) << "\n";
        if (!d.fix.empty()) {
            out << "  fix: " << d.fix << "\n";
        }
        if (!n.descriptorRead) {
            out << "  report descriptor: not readable\n";
        } else if (!n.parsed.ok) {
            out << "  report descriptor: refused, " << n.parsed.error << "\n";
        } else {
            out << "  report descriptor:\n";
            std::string lines = hid::DescribeReports(n.parsed.descriptor);
            for (size_t at = 0; at < lines.size();) {
                const size_t end = lines.find('\n', at);
                out << "    " << lines.substr(at, end - at) << "\n";
                at = end == std::string::npos ? lines.size() : end + 1;
            }
        }
    }
    if (!r.nodes.empty()) {
        out << "\nchoice: " << r.choice.reason << "\n";
    }
    if (r.exchange) {
        const DoctorExchange& e = *r.exchange;
        out << "\nversion read via " << e.via << "\n";
        for (const auto& [direction, bytes] : e.steps) {
            out << "  " << direction << (direction == "sent" ? "     " : " ") << Hex(bytes) << "\n";
        }
        if (e.version) {
            out << "  firmware " << e.version->first << "." << e.version->second << "\n";
        } else {
            out << "  " << e.problem << "\n";
        }
    }
}

std::string DoctorJson(const DoctorReport& r) {
    using nlohmann::json;
    json nodes = json::array();
    for (const DoctorNode& d : r.nodes) {
        const hid::NodeReport& n = d.node;
        json usages = json::array();
        for (const auto& [page, usage] : n.usages) {
            usages.push_back({{"usage_page", page}, {"usage", usage}});
        }
        json node = {{"path", n.path},
                     {"interface", n.interfaceNumber},
                     {"collections", usages},
                     {"may_open", d.mayOpen},
                     {"open_problem", d.openProblem},
                     {"fix", d.fix},
                     {"descriptor_read", n.descriptorRead},
                     {"descriptor_error", n.parsed.error}};
        if (n.parsed.ok) {
            json reports = json::array();
            for (const hid::ReportSizes& s : n.parsed.descriptor.reports) {
                reports.push_back({{"id", s.id},
                                   {"input", s.input},
                                   {"output", s.output},
                                   {"feature", s.feature}});
            }
            node["numbered"] = n.parsed.descriptor.numbered;
            node["reports"] = reports;
        }
        nodes.push_back(node);
    }
    json doc = {{"vendor", r.vid},
                {"product", r.pid},
                {"sim_socket", r.simSocket},
                {"session", r.session},
                {"nodes", nodes},
                {"choice",
                 {{"ok", r.choice.Ok()},
                  {"from_descriptors", r.choice.fromDescriptors},
                  {"reason", r.choice.reason}}}};
    if (r.choice.Ok()) {
        const auto framing = [](hid::Framing f) {
            return f == hid::Framing::Numbered ? "numbered" : "unnumbered";
        };
        doc["choice"]["feature_node"] = r.choice.nodes[static_cast<size_t>(r.choice.feature)].path;
        doc["choice"]["data_node"] = r.choice.nodes[static_cast<size_t>(r.choice.data)].path;
        doc["choice"]["feature_framing"] = framing(r.choice.FeatureFraming());
        doc["choice"]["data_framing"] = framing(r.choice.DataFraming());
    }
    if (r.exchange) {
        json steps = json::array();
        for (const auto& [direction, bytes] : r.exchange->steps) {
            steps.push_back({{"direction", direction}, {"bytes", Hex(bytes)}});
        }
        doc["exchange"] = {
            {"via", r.exchange->via}, {"steps", steps}, {"problem", r.exchange->problem}};
        if (r.exchange->version) {
            doc["exchange"]["firmware"] = std::to_string(r.exchange->version->first) + "." +
                                          std::to_string(r.exchange->version->second);
        }
    }
    return JsonText(doc, 2);
}

}  // namespace mouse::cli
