// Helpers shared by the tests: a scratch folder, file helpers and collectors of reports.
#pragma once

#include "framework/diagnostics.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <stdlib.h>

namespace quillery::test {

// A folder of its own for one test, removed with everything in it afterwards.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillery-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

struct CollectedReport {
    ReportLevel level;
    std::string text;
    std::optional<SourcePlace> place;
};

// Keeps every report handed to it, in order.
class CollectingSink : public DiagnosticSink {
  public:
    int report(const Report& report) override {
        reports_.push_back({report.level, std::string(report.text), report.place});
        return 0;
    }

    const std::vector<CollectedReport>& reports() const { return reports_; }
    void clear() { reports_.clear(); }

    // Each report as "E text", "W text" or "N text", in order.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& report : reports_) {
            const char* tag = report.level == ReportLevel::Error     ? "E "
                              : report.level == ReportLevel::Warning ? "W "
                                                                     : "N ";
            out.push_back(tag + report.text);
        }
        return out;
    }
    bool hasErrors() const {
        for (const auto& report : reports_) {
            if (report.level == ReportLevel::Error) {
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<CollectedReport> reports_;
};

// Collects every report this thread gives while it lives; the channels are left alone.
class ReportCollector : public CollectingSink {
  public:
    ReportCollector() : scope_(this) {}
    ReportCollector(const ReportCollector&) = delete;
    ReportCollector& operator=(const ReportCollector&) = delete;

  private:
    ReportSinkScope scope_;
};

// Collects what reaches the channels' handlers while it lives and puts the previous handlers back afterwards:
// for tests of the channels themselves.
class ChannelCollector : public CollectingSink {
  public:
    ChannelCollector() : error_(errorHandler()), warning_(warningHandler()), note_(noteHandler()) {
        auto collect = [this](const Report& report) { return this->report(report); };
        setErrorHandler(collect);
        setWarningHandler(collect);
        setNoteHandler(collect);
    }
    ~ChannelCollector() override {
        setErrorHandler(error_);
        setWarningHandler(warning_);
        setNoteHandler(note_);
    }
    ChannelCollector(const ChannelCollector&) = delete;
    ChannelCollector& operator=(const ChannelCollector&) = delete;

  private:
    ReportHandler error_;
    ReportHandler warning_;
    ReportHandler note_;
};

} // namespace quillery::test
