#include "AttachFlow.h"

#include <filesystem>

#include "AccountCode.h"
#include "DataFileNames.h"
#include "SqlText.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"

namespace source {

namespace {
constexpr int kPauseAfterAttachMs = 2000;
}  // namespace

AttachFlow::AttachFlow(db::SourceConnection& conSource, db::SourceQuery& qrySourceTmp,
                       core::MessageBox& messages, Wait wait)
    : conSource_(conSource),
      qrySourceTmp_(qrySourceTmp),
      messages_(messages),
      wait_(std::move(wait)) {}

std::optional<SourceFlowResult> AttachFlow::check(const AttachRequest& request) {
    if (auto refusal = CheckAccountCode(request.code)) {
        messages_.show(core::kHintCaption, refusal->message, core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused(SourceFlowField::AccountCode);
    }
    if (core::trimBlanks(request.dataFile).empty()) {
        messages_.show(core::kHintCaption, "请选择引入文件！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused();
    }
    return std::nullopt;
}

SourceFlowResult AttachFlow::attach(const AttachRequest& request) {
    const std::string code = core::trimBlanks(request.code);
    const std::string dataFile = core::trimBlanks(request.dataFile);
    std::error_code ignored;
    if (!std::filesystem::exists(dataFile, ignored)) {
        messages_.show(core::kHintCaption, "数据文件不存在", core::MessageIcon::Information,
                       core::MessageButtons::Ok);
        return SourceFlowResult::failed();
    }
    if (SourceDatabaseExists(qrySourceTmp_, code)) {
        messages_.show(core::kHintCaption, kNameTakenMessage, core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused(SourceFlowField::AccountCode);
    }
    // The server builds a new log; an old one beside the file would be refused.
    for (const auto& log : OldLogFiles(dataFile)) std::filesystem::remove(log, ignored);
    const std::string name = SourceDatabaseName(code);
    qrySourceTmp_.close();
    try {
        conSource_.execute(AttachSql(name, dataFile));
    } catch (const std::exception& error) {
        std::string text = error.what();
        // The server reports the log file it had to rebuild as an error; the
        // database is attached all the same.
        if (text.find("LDF") == std::string::npos) {
            const char* message = text.find("无法打开") != std::string::npos
                                      ? "无法打开物理文件!"
                                      : "无法引入帐套,可能文件已被破坏!";
            messages_.show(core::kHintCaption, message, core::MessageIcon::Information,
                           core::MessageButtons::Ok);
            return SourceFlowResult::failed(text);
        }
    }
    wait_(kPauseAfterAttachMs);
    return SourceFlowResult::done(name);
}

}  // namespace source
