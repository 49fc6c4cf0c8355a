#pragma once

// Compiled content-blocking rule lists (WebKit's JSON rule format) kept in a folder on disk.

#include <functional>
#include <memory>
#include <string>

namespace corvane::platform {

// A compiled rule list; attach it to web views with WebView::add_content_filter.
class ContentFilter {
public:
    virtual ~ContentFilter() = default;
    virtual const std::string& identifier() const = 0;
};

class ContentFilterStore {
public:
    // Receives the list, or null when none was found or compiling failed. Runs later, on the
    // main thread, at most once; never after the store has been dropped.
    using Completion = std::function<void(std::shared_ptr<ContentFilter>)>;

    virtual ~ContentFilterStore() = default;

    // Loads a list compiled earlier under this identifier.
    virtual void lookup(const std::string& identifier, Completion done) = 0;
    // Compiles the JSON rules and keeps the result under the identifier.
    virtual void compile(const std::string& identifier, const std::string& rules_json,
                         Completion done) = 0;
};

} // namespace corvane::platform
