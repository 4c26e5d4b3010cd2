#include "ui/product_text.h"

namespace kpr {

static std::string model() {
    return std::string(VersionString).substr(0, 6);
}

std::string splash_product_line(const std::string& linkKind) {
    return model() + (linkKind == "USB" ? "(USB) Programmer" : " Programmer");
}

std::string about_title(const std::string& linkKind) {
    return model() + (linkKind == "USB" ? "(USB) Pager Programmer" : " Pager Programmer");
}

std::string about_model_note() {
    return " This program can be used for\n  model KPR35";
}

} // namespace kpr
