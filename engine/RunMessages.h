#pragma once

namespace engine::messages {

// Texts of the run's message boxes (UTF-8; captioned core::kHintCaption), the last also shown by
// the Start checks when they fail before a run.
inline constexpr const char* kResumeQuestion = "检测到导入记录，是否继续上一次的导入作业？";
inline constexpr const char* kCompleted = "数据导入完成！";
inline constexpr const char* kFailed = "数据导入错误，请检查日志！";

}  // namespace engine::messages
