#pragma once

// What the new tab page is generated from. The core rebuilds it when settings, bookmarks or the
// history change; the new tab handler copies it per request and formats the page from the copy.

#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// A link shown on the new tab page: for a bookmark its URL and title, for a top site the site's
// root URL and its display name.
struct NewTabLink {
    std::string url;
    std::string title;

    friend bool operator==(const NewTabLink&, const NewTabLink&) = default;
};

struct NewTabSnapshot {
    std::string engine_template; // search URL with the placeholder "{q}"
    std::string engine_name;
    std::vector<NewTabLink> top_sites; // best first, at most 8
    std::vector<NewTabLink> bookmarks; // newest first
    bool shield = false;
    bool https_only = false;

    friend bool operator==(const NewTabSnapshot&, const NewTabSnapshot&) = default;
};

// A field-by-field copy; callers hold the snapshot's lock.
inline NewTabSnapshot newtab_snapshot_clone(const NewTabSnapshot& snapshot) {
    return snapshot;
}

// 128 random bits as 32 hex digits.
inline std::string random_hex_key() {
    std::random_device source;
    std::string key;
    for (int word = 0; word < 4; ++word) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(source()));
        key += hex;
    }
    return key;
}

// The one snapshot of the run behind its mutex, shared by the application, the engine
// configuration and every content tab's scheme handler (see SharedNewTabSnapshotPtr).
class SharedNewTabSnapshot {
public:
    SharedNewTabSnapshot() = default;
    explicit SharedNewTabSnapshot(NewTabSnapshot initial) : snapshot_(std::move(initial)) {}
    SharedNewTabSnapshot(const SharedNewTabSnapshot&) = delete;
    SharedNewTabSnapshot& operator=(const SharedNewTabSnapshot&) = delete;

    // A copy taken under the lock; the page is formatted from it after the lock is released.
    NewTabSnapshot copy() const {
        std::lock_guard lock(mutex_);
        return newtab_snapshot_clone(snapshot_);
    }

    // Runs build() with the lock held (the history ranking included) and installs its result.
    // The new value is built completely before it replaces the old one, so a build that throws
    // leaves the previous snapshot whole for every reader.
    template <typename Build>
    void rebuild(Build&& build) {
        std::lock_guard lock(mutex_);
        NewTabSnapshot next = std::forward<Build>(build)();
        snapshot_ = std::move(next);
    }

    void replace(NewTabSnapshot next) {
        std::lock_guard lock(mutex_);
        snapshot_ = std::move(next);
    }

    // The run's new tab pages carry this secret and hand typed text over with it; no other page
    // can read it, so no other page can hand text over. Never changes.
    const std::string& hand_over_key() const { return hand_over_key_; }

private:
    mutable std::mutex mutex_;
    NewTabSnapshot snapshot_;
    const std::string hand_over_key_ = random_hex_key();
};

using SharedNewTabSnapshotPtr = std::shared_ptr<SharedNewTabSnapshot>;

} // namespace corvane
