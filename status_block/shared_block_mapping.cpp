#include "status_block/shared_block_mapping.h"

#include <cstring>

SharedBlockMapping::SharedBlockMapping(const char* name) { Create(name); }

SharedBlockMapping::~SharedBlockMapping() { Close(); }

bool SharedBlockMapping::Create(const char* name) {
    // Replacing a live mapping without closing it would leak its handle and view.
    Close();
    size_ = 0;
    if (name == nullptr) return false;
    handle_ = platform::OpenSharedMemory(name, kStatusBlockSize, &createdHere_);
    if (!handle_.open) return false;
    size_ = kStatusBlockSize;
    std::strncpy(name_, name, kNameCapacity - 1);
    name_[kNameCapacity - 1] = '\0';
    view_ = static_cast<StatusBlock*>(platform::MapSharedMemory(handle_, kStatusBlockSize));
    if (view_ == nullptr) {
        platform::CloseSharedMemory(handle_);
        return false;
    }
    return true;
}

void SharedBlockMapping::Close() {
    platform::UnmapSharedMemory(view_, kStatusBlockSize);
    view_ = nullptr;
    platform::CloseSharedMemory(handle_);
}
