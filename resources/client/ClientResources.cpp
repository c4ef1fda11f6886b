#include "resources/client/ClientResources.h"

#include "resources/SharedResources.h"

namespace tarnwel {

const CResourceTable& ClientResources()
{
    static const CResourceTable table = [] {
        CResourceTable client("client", &SharedResources());
        // The client's own dialogs, menus and icons, one line each.
        return client;
    }();
    return table;
}

} // namespace tarnwel
