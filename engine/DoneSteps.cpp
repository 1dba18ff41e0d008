#include "DoneSteps.h"

#include <exception>

#include "RunContext.h"
#include "SqlLiteral.h"
#include "core/Settings.h"

namespace engine {

DoneSteps::DoneSteps(RunContext& ctx, bool fresh)
    : ctx_(ctx), section_(core::resumeSection(ctx.sourceDatabase, ctx.targetDatabase)) {
    ctx_.conTarget->execute(
        "create schema if not exists lir2orbit;create table if not exists lir2orbit.done_steps("
        "section varchar(300) not null, step varchar(2) not null, primary key (section, step));");
    if (fresh) {
        ctx_.conTarget->execute(
            "delete from lir2orbit.done_steps where section = " + quoteSqlLiteral(section_) + ";");
        return;
    }
    db::TargetQuery& query = *ctx_.qryTargetTmp;
    query.close();
    query.setText("select step from lir2orbit.done_steps where section = " +
                  quoteSqlLiteral(section_));
    query.open();
    for (; !query.eof(); query.next()) done_.insert(query.asText("step"));
    query.close();
}

void DoneSteps::run(const std::string& code, const std::function<void()>& work) {
    ctx_.conTarget->execute("begin;");
    try {
        work();
        ctx_.conTarget->execute("insert into lir2orbit.done_steps(section, step) values(" +
                                quoteSqlLiteral(section_) + ", " + quoteSqlLiteral(code) +
                                ") on conflict do nothing;commit;");
    } catch (...) {
        try {
            ctx_.conTarget->execute("rollback;");
        } catch (const std::exception&) {
            // A lost connection rolls back by itself; the step's error is the one to report.
        }
        throw;
    }
    done_.insert(code);
}

}  // namespace engine
