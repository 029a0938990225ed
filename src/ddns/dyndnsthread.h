// One DynDNS update run: ask the address-check service for the public
// address and, when it is new to DynDNS, update every configured host.
#pragma once

#include "ddns/dyndnstext.h"
#include "ddns/updateclient.h"

namespace ddns {

class tdyndnsclient : public tupdateclient {
public:
    tdyndnsclient(std::shared_ptr<tupdatestate> State, const tdyndnssettings& Settings);

    // The public address, or empty when the check failed.
    std::string CheckAddress();

protected:
    void Execute() override;

private:
    tdyndnssettings settings_;
};

}  // namespace ddns
