// One No-IP update run: ask the update host for the public address and, when
// it is new to No-IP, update every configured host and group.
#pragma once

#include "ddns/noiptext.h"
#include "ddns/updateclient.h"

namespace ddns {

class tnoipclient : public tupdateclient {
public:
    tnoipclient(std::shared_ptr<tupdatestate> State, const tnoipsettings& Settings);

    // The public address, or empty when the check failed.
    std::string CheckAddress();

protected:
    void Execute() override;

private:
    tnoipsettings settings_;
};

}  // namespace ddns
