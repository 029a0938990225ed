#include "ui/updatechoices.h"

#include "core/settings.h"

const std::vector<std::string>& UpdateIntervalChoices() {
    static const std::vector<std::string> choices = [] {
        std::vector<std::string> list;
        for (int32_t i = 1; i <= core::kUpdateIntervalChoices; ++i) list.push_back(std::to_string(i * 5) + " Minutes");
        return list;
    }();
    return choices;
}

const std::vector<std::string>& UpdateLogChoices() {
    static const std::vector<std::string> choices = {"Yes", "No"};
    return choices;
}
