// Feeds arbitrary bytes, as any program may offer them in a drag, to the
// reader of the shell's item-id array. The reader must never read outside
// the block; a block it takes names lists that lie wholly inside it, and
// writing those lists again gives a block that reads back to the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzsupport.h"
#include "widgets/shell/idlistarray.h"

using fuzz::Check;
using namespace shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so that AddressSanitizer sees a read one byte past it.
    const std::string block(reinterpret_cast<const char*>(data), size);
    PidlPtr parent;
    std::vector<PidlPtr> items;
    if (!ReadIdListArray(std::string_view(block.data(), block.size()), parent, items)) {
        Check(!parent && items.empty());
        return 0;
    }
    Check(parent != nullptr);
    Check(PidlSize(parent.get()) <= size);
    std::vector<PCItemIDList> lists;
    for (const PidlPtr& item : items) {
        Check(item != nullptr && PidlSize(item.get()) <= size);
        lists.push_back(item.get());
    }
    const std::string again = MakeIdListArray(parent.get(), lists);
    PidlPtr parent2;
    std::vector<PidlPtr> items2;
    Check(ReadIdListArray(again, parent2, items2));
    Check(items2.size() == items.size() && PidlSize(parent2.get()) == PidlSize(parent.get()));
    for (size_t i = 0; i < items.size(); ++i) Check(PidlBytes(items2[i].get()) == PidlBytes(items[i].get()));
    return 0;
}
