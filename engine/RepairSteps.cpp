#include "RepairSteps.h"

#include <string>

#include "RunContext.h"
#include "SourceStatements.h"
#include "SqlLiteral.h"

namespace engine {

namespace {

const char* const kContactsBatch[] = {
    "alter table b_expense disable trigger all; update b_expense set linkmanid = null, linkman = "
    "null;alter table b_expense enable trigger all; ",
    "alter table crm_consignment disable trigger all; update crm_consignment set linkmanid = null, "
    "linkman = null;alter table crm_consignment enable trigger all; ",
    "alter table l_trader disable trigger all; update l_trader set opid = 0 where opid is null; "
    "alter table l_trader enable trigger all; ",
};

const char* const kCrmSwitchesOff =
    "update am_sysparam set datavalue=0 where lower(name) = 'opencrmprivilege' or lower(name) = "
    "'clientsmanagement';";

const char* const kAccountSettingsBatch[] = {
    "update am_sysparam m set datavalue = d.datavalue from am_sysparam d where m.paramid=2003 and "
    "d.paramid=3001 and exists(select 1 from am_sysparam where paramid=2002 and datavalue='1');",
    "update am_sysparam m set datavalue = to_char(cast(d.datavalue as timestamp), 'yyyy-mm') from "
    "am_sysparam d where m.paramid=451 and d.paramid=3001 and exists(select 1 from am_sysparam "
    "where paramid=450 and datavalue='1');",
    "update am_sysparam m set datavalue = d.datavalue from am_sysparam d where m.paramid=2002 and "
    "d.paramid=3004;",
    "update am_sysparam set datavalue=0 where lower(name) = 'multicheck';",
    "update am_sysparam set datavalue=right('00' || datavalue, 2) where lower(name) = "
    "'startmonth';",
    "update am_sysparam set datavalue=right('00' || datavalue, 2) where lower(name) = 'posmonth';",
    "update am_sysparam set datavalue=right('00' || datavalue, 2) where lower(name) = "
    "'curraccmonth';",
    "update am_sysparam set datavalue = '1' where paramid in (4009, 4010, 4011, 4012, 4020, 4021, "
    "4025, 4026, 4027, 4030, 4031, 4035, 4036, 4040, 4041, 4045, 4046, 4050, 4051, 4055, 4056, "
    "4060, 4061, 4065, 4066, 4070, 4071, 4075, 4076, 4101, 4102, 4103, 4104, 4105, 4106, 4107, "
    "4111, 4112, 4113, 4114, 4115, 4116, 4122, 4123, 4124, 4125, 4126, 4131, 4132, 4133, 4134, "
    "4135, 4142, 4143, 4144, 4145, 4146, 4147, 4148, 4149, 4150, 4151, 4152, 4153, 4154, 4155, "
    "4156, 4157, 4161, 4162, 4163, 4164, 4201, 4202, 4203, 4211, 4212, 4213, 4214, 4215, 4231, "
    "4232, 4233, 4234, 4235, 4238, 4239, 4241, 4242, 4243, 4244, 4247, 4248, 4249, 4250, 4251, "
    "4252, 4253, 4254, 4255, 4256, 4257, 4258, 4270, 4271, 4272, 4273, 4274, 4275, 4276, 4277, "
    "4278, 4301, 4302, 4303, 4304, 4305, 4306, 4312, 4313, 4314, 4315, 4316, 4317, 4321, 4322, "
    "4323, 4324, 4325, 4401, 4402, 4403, 4404, 4411, 4412, 4413, 4414, 4415, 4416, 4421, 4422, "
    "4423, 4424, 4425, 4501, 4502, 4503, 4504, 4511, 4512, 4513, 4514, 4522, 4523, 4524, 4525, "
    "4532, 4533, 4534, 4535, 4542, 4543, 4544, 4545, 4551, 4552, 4553, 4554, 4561, 4562, 4563, "
    "4564, 4571, 4572, 4573, 4574, 4582, 4583, 4584, 4585, 4592, 4593, 4594, 4595, 4600, 4601, "
    "4602, 4605, 4606, 4607, 4608, 4610, 4611, 4612, 4615, 4616, 4617, 4620, 4621, 4622, 4625, "
    "4626, 4627, 4630, 4631, 4632, 4635, 4636, 4637, 4640, 4641, 4645, 4646, 4650, 4651, 4655, "
    "4656, 4660, 4661, 4665, 4666, 4667, 4670, 4671, 4672, 4675, 4676, 4677, 4680, 4681, 4682, "
    "4690, 4691, 4701, 4702, 4711, 4712, 4713, 4721, 4722, 4723, 4724, 4751, 4752, 4755, 4756, "
    "4801, 4802, 4803, 4811, 4812, 4821, 4822, 4823, 4824, 4831, 4832, 4833, 4841, 4842, 4851, "
    "4852, 4861, 4862, 4863, 4900, 4901, 4902, 4905, 4906, 4907, 4908, 4910, 4911, 4912, 4915, "
    "4916, 4917, 4920, 4921, 4922, 4925, 4926, 4927, 4930, 4931, 4932, 4935, 4936, 4937, 4940, "
    "4941, 4945, 4946, 4950, 4951, 4955, 4956, 4960, 4961, 4965, 4966, 4967, 4970, 4971, 4972, "
    "4975, 4976, 4977, 4980, 4981, 4982, 5011);",
    "update am_sysparam m set datavalue = (coalesce(d.datavalue || ' ','') || "
    "coalesce(m.datavalue,'')) from am_sysparam d where m.paramid = 207 and d.paramid = 206;",
};

const char* const kMasterDataBatch[] = {
    "alter table l_goods disable trigger all; ",
    "update l_goods set isbatch = 1 where costtype = 2;",
    "update l_goods m set vatspecialmanagement = '0' where coalesce(m.vatspecialmanagement, '') = "
    "'';",
    "alter table l_goods enable trigger all; ",
};

const char* const kFixedAssetBatches[] = {
    "alter table af_fixedassetinitdata disable trigger all;alter table af_fixinit disable trigger "
    "all;alter table af_attachinit disable trigger all;alter table af_ownerdepinit disable trigger "
    "all;alter table af_fixedasset disable trigger all;",
    "delete from af_fixedassetinitdata;delete from af_fixinit;delete from af_attachinit;delete "
    "from af_ownerdepinit;",
    "insert into af_fixedassetinitdata select t.fixedassetid, t.shopid, t.fadeltypeid, "
    "t.newtypeid, t.statusid, t.fatypeid, t.deprmethodid, t.addcredid, t.deletecredid, t.cardcode, "
    "t.assetcode, t.name, t.specific, t.location, t.useddate, t.planusemonth, t.sumusedmonth, "
    "t.startsumusedmonth, t.planworkvalue, t.sumworkedvalue, t.startsumworkedvalue, t.workunit, "
    "t.rawamt, t.sumdepramt, t.startsumdepramt, t.remainamt, t.remainrate, t.monthdepramt, "
    "t.monthdeprrate, t.deproption, t.cleardate, t.clearincome, t.clearpay, t.clearmemo, "
    "t.cleared, t.address, t.vendorname, t.producename, t.initflag, t.startrawamt, t.astsubid, "
    "t.dprsubid, t.clearsubid, t.price, t.quantity, t.foreignamt, t.foreigncurid, t.unit, "
    "t.userdef1, t.userdef2, t.userdef3, t.userdef4, t.userdef5, t.fixpic, t.pictype, "
    "t.incomesubid, t.incomeaccountid, t.paysubid, t.payaccountid, t.taxsubid, t.taxamount, "
    "t.fsubsidyrate, t.fsubsidamt, t.fsubsidsubid, t.psciencerate, t.pscienceamt, t.psciencesubid, "
    "t.unpayfund, t.unpayfundsubid from af_fixedasset t where coalesce(t.initflag, 0)=1 and "
    "t.fixedassetid >= 0;",
    "insert into af_fixinit select t.fixedassetid, t.ybastdebit, t.sumdebit, t.sumcredit, "
    "t.bastdebit, t.ydprcredit, t.sumdprdebit, t.sumdprcredbit, t.dprcredit, t.ydepramt from "
    "af_fixedassetinit t   left join af_fixedasset f on f.fixedassetid = t.fixedassetid where "
    "coalesce(f.initflag, 0)=1 and f.fixedassetid >= 0;",
    "insert into af_attachinit select t.fixedassetid, t.itemno, t.name, t.specific, t.unit, "
    "t.quantity, t.amount, t.usedate, t.remark, t.faadjid, t.changeno, t.used, 0 from af_attach t  "
    " left join af_fixedasset f on f.fixedassetid = t.fixedassetid where coalesce(f.initflag, 0)=1 "
    "and f.fixedassetid >= 0;",
    "insert into af_ownerdepinit select t.departmentid, t.fixedassetid, t.itemno, t.faadjid, "
    "t.pcode, t.ownerrate, t.used, t.subjectid, 0 from af_ownerdep t   left join af_fixedasset f "
    "on f.fixedassetid = t.fixedassetid where coalesce(f.initflag, 0)=1 and f.fixedassetid >= 0;",
    "update af_fixedasset f set fixedassetinitid=f.fixedassetid where coalesce(f.initflag, 0)=1 "
    "and f.fixedassetid >= 0;",
    "select am_rebuildtablekey('af_fixedasset', 'fixedassetid');select "
    "am_rebuildtablekey('af_fixedassetinitdata', 'fixedassetid');",
    "alter table af_fixedassetinitdata enable trigger all;alter table af_fixinit enable trigger "
    "all;alter table af_attachinit enable trigger all;alter table af_ownerdepinit enable trigger "
    "all;alter table af_fixedasset enable trigger all;",
};
const char* const kBlankDutiesToNull[] = {
    "alter table l_employ disable trigger all; ",
    "update l_employ set duty = null where trim(duty) = ''; ",
    "alter table l_employ enable trigger all; ",
};

// Ordered by name, so that two runs hand out the same ids.
const char* const kNewDutiesQuery =
    "select distinct t.duty from l_employ t where length(t.duty) > 0 and not exists(select 1 from "
    "am_kind a where a.kind=122 and a.name = t.duty) order by t.duty";

const char* const kDutyNamesToIds[] = {
    "alter table l_employ disable trigger all; ",
    "update l_employ m set duty = k.id from am_kind k where length(m.duty) > 0 and k.kind = 122 "
    "and "
    "m.duty = k.name; ",
    "alter table l_employ enable trigger all; ",
};

template <size_t N>
std::string joined(const char* const (&fragments)[N]) {
    std::string text;
    for (const char* f : fragments) text += f;
    return text;
}

bool sourceHasPositionTable(RunContext& ctx) {
    db::SourceQuery& q = *ctx.qrySourceTmp;
    q.close();
    q.setText(sourcesql::kPositionTable);
    q.open();
    bool found = !q.eof();
    return found;
}

}  // namespace

void RepairContacts(RunContext& ctx) {
    bool found = sourceHasPositionTable(ctx);
    ctx.conTarget->execute(found ? joined(kContactsBatch) : std::string(kCrmSwitchesOff));
    ctx.qrySourceTmp->close();
}

void RepairAccountSettings(RunContext& ctx) {
    ctx.conTarget->execute(joined(kAccountSettingsBatch));
}

void RepairMasterData(RunContext& ctx) { ctx.conTarget->execute(joined(kMasterDataBatch)); }

void RepairEmployeeDuties(RunContext& ctx) {
    db::TargetQuery& q = *ctx.qryTargetTmp;
    q.close();
    q.setText("select max(t.id) as id from am_kind t ");
    q.open();
    int64_t counter = q.asInteger("id");
    q.close();

    ctx.conTarget->execute(joined(kBlankDutiesToNull));

    q.setText(kNewDutiesQuery);
    q.open();
    std::string inserts;
    for (; !q.eof(); q.next()) {
        ++counter;
        inserts += "insert into am_kind(id, issys, name, iskind, kindname, upflag, kind) values(" +
                   std::to_string(counter) + ", 0, " + quoteSqlLiteral(q.asText("duty")) +
                   ", '1', '职务', '0', '122');";
    }
    q.close();

    // All new duties go in one command, however many there are.
    if (!inserts.empty()) ctx.conTarget->execute(inserts);
    // Also when every duty had its entry already (an account set whose duties all
    // exist, a second run): the names still have to become ids, and the key
    // counter must not stay below the largest id.
    ctx.conTarget->execute("update as_tablekeys set maxkey=" + std::to_string(counter) +
                           " where lower(tablename)='am_kind';");
    ctx.conTarget->execute(joined(kDutyNamesToIds));
}

void RepairFixedAssetInitData(RunContext& ctx) {
    for (const char* batch : kFixedAssetBatches) ctx.conTarget->execute(batch);
}

}  // namespace engine
