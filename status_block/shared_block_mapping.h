// Creates or opens the named StatusBlock and maps it; one static instance per plug-in.
#pragma once

#include <cstdint>

#include "platform/shared_memory.h"
#include "status_block/status_block.h"

class SharedBlockMapping {
public:
    static constexpr int kNameCapacity = 260;

    // Empty: no handle, no view.
    constexpr SharedBlockMapping() = default;
    // Empty, then Create(name).
    explicit SharedBlockMapping(const char* name);
    ~SharedBlockMapping();

    SharedBlockMapping(const SharedBlockMapping&) = delete;
    SharedBlockMapping& operator=(const SharedBlockMapping&) = delete;

    // Creates the block (zero-filled) or opens the one another process created, and maps all
    // of it. True on success. A mapping held from an earlier Create is closed first. On
    // failure nothing stays open; Size() is 2316 if the object existed but the view failed.
    bool Create(const char* name);

    // The mapped block, null when not mapped.
    StatusBlock* View() const { return view_; }

    // Unmaps the view and closes the handle, each only if present.
    void Close();

    // 0 until the object exists, then 2316.
    std::uint32_t Size() const { return size_; }

    // True when the last successful Create made the block rather than opened another
    // process's; such a block disappears with this mapping unless someone else opens it.
    bool CreatedHere() const { return createdHere_; }

    // The name given to Create, cut to 259 characters.
    const char* Name() const { return name_; }

private:
    platform::SharedMemoryHandle handle_;
    char name_[kNameCapacity] = {};
    std::uint32_t size_ = 0;
    bool createdHere_ = false;
    StatusBlock* view_ = nullptr;
};
