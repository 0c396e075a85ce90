#include "ui/form/title_block.h"

#include "calc/numbers.h"

#include <array>

namespace pierqty::form {

namespace {

constexpr std::array kFields = {
    TitleField{"titleBlock/project", "工程名称"},       TitleField{"titleBlock/pier", "墩号"},
    TitleField{"titleBlock/drawing", "图号"},           TitleField{"titleBlock/number", "计算书编号"},
    TitleField{"titleBlock/revision", "版次"},          TitleField{"titleBlock/compiledName", "编制 姓名"},
    TitleField{"titleBlock/compiledDate", "编制 日期"}, TitleField{"titleBlock/checkedName", "复核 姓名"},
    TitleField{"titleBlock/checkedDate", "复核 日期"},  TitleField{"titleBlock/approvedName", "审核 姓名"},
    TitleField{"titleBlock/approvedDate", "审核 日期"}, TitleField{"titleBlock/basis", "另加计算依据", true},
};

// Where each field lands in the sheet's title block, in the order above.
enum Field {
    Project,
    Pier,
    Drawing,
    Number,
    Revision,
    CompiledName,
    CompiledDate,
    CheckedName,
    CheckedDate,
    ApprovedName,
    ApprovedDate,
    Basis,
    Count
};
static_assert(Count == kFields.size());

std::string Trimmed(std::string_view text)
{
    return std::string(TrimText(text, " \t\r\n\v\f"));
}

} // namespace

std::span<const TitleField> TitleFields()
{
    return kFields;
}

TitleValues StoredTitleValues(DesktopServices &services)
{
    TitleValues values;
    for (const TitleField &field : kFields)
        values.push_back(services.setting(std::string(field.key)).value_or(""));
    return values;
}

void StoreTitleValues(DesktopServices &services, const TitleValues &values)
{
    for (std::size_t k = 0; k < kFields.size() && k < values.size(); ++k)
        services.storeSetting(std::string(kFields[k].key), values[k]);
}

sheet::TitleBlock ToTitleBlock(const TitleValues &values)
{
    TitleValues v = values;
    v.resize(kFields.size());
    sheet::TitleBlock block;
    block.project = Trimmed(v[Project]);
    block.pier = Trimmed(v[Pier]);
    block.drawing = Trimmed(v[Drawing]);
    block.number = Trimmed(v[Number]);
    block.revision = Trimmed(v[Revision]);
    block.compiled = {Trimmed(v[CompiledName]), Trimmed(v[CompiledDate])};
    block.checked = {Trimmed(v[CheckedName]), Trimmed(v[CheckedDate])};
    block.approved = {Trimmed(v[ApprovedName]), Trimmed(v[ApprovedDate])};
    const std::string &basis = v[Basis];
    for (std::size_t start = 0; start <= basis.size();) {
        std::size_t end = basis.find('\n', start);
        if (end == std::string::npos)
            end = basis.size();
        if (std::string line = Trimmed(std::string_view(basis).substr(start, end - start)); !line.empty())
            block.basis.push_back(std::move(line));
        start = end + 1;
    }
    return block;
}

std::string StoredProjectName(DesktopServices &services)
{
    return Trimmed(services.setting(std::string(kFields[Project].key)).value_or(""));
}

} // namespace pierqty::form
