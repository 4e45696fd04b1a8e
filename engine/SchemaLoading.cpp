#include "engine/Globals.h"
#include "engine/VariantConvert.h"
#include "engine/clsEngine.h"
#include "model/VantorError.h"

namespace vantor {

namespace {

const QString kTable = QStringLiteral("TABLE");
const QString kView = QStringLiteral("VIEW");
const QString kAnalyzingTables = QStringLiteral("Analyzing tables: ");

Connection& required(Connection* cn) {
    if (!cn)
        throw VantorError(err::ObjectNotSet,
                          QStringLiteral("Object variable or With block variable not set"));
    return *cn;
}

// The wait window marks activity, not a fraction done: the bar runs up to 91 and starts again.
void showActivity(const QString& caption) {
    UserInterface& ui = Ui();
    ui.WaitCaption(caption);
    ui.WaitProgress(ui.WaitProgress() + 1);
    if (ui.WaitProgress() > 90)
        ui.WaitProgress(1);
    ui.DoEvents();
}

std::shared_ptr<clsObject> objectOfRow(const Recordset& rs) {
    const QString type = rs.Fields(schemacol::TableType).Value().toString();
    const QString name = rs.Fields(schemacol::TableName).Value().toString();
    auto object = std::make_shared<clsObject>();
    object->Parent(QLatin1Char(':') + type);
    object->Category(QLatin1Char(':') + type);
    object->xType(type);
    object->Obj_Key(QLatin1Char(':') + name);
    object->Obj_Name(name);
    object->Obj_Text(QString());
    object->Description(QString());
    object->Status(0);
    return object;
}

QString createViewText(const QString& name, const QString& definition) {
    static const QString crLf = QStringLiteral("\r\n");
    return QStringLiteral("CREATE VIEW [") + name + QStringLiteral("] AS ") + crLf + definition +
           crLf + QStringLiteral("GO");
}

} // namespace

bool clsEngine::OpenSchemas() {
    try {
        // Both files are read side by side; the secondary side is taken first so that the
        // primary objects can be marked at once.
        required(CnSecondary.get()).PrefetchSchema();
        required(CnPrimary.get()).PrefetchSchema();
        LoadTablesSec();
        LoadTablesPri();
        Tables = TablesPri;
        LoadFieldsPri();
        LoadFieldsSec();
        LoadViewsPri();
        LoadViewsSec();
        return true;
    } catch (const std::exception& e) {
        // Half a picture is never compared: what was read of either side goes.
        ForgetSchemas();
        reportError(e);
        return false;
    }
}

void clsEngine::ForgetSchemas() {
    Tables = std::make_shared<clsObjects>();
    TablesPri = std::make_shared<clsObjects>();
    TablesSec = std::make_shared<clsObjects>();
}

bool clsEngine::LoadTablesSec() {
    return loadTables(CnSecondary.get(), TablesSec, false);
}

bool clsEngine::LoadTablesPri() {
    return loadTables(CnPrimary.get(), TablesPri, true);
}

bool clsEngine::loadTables(Connection* cn, std::shared_ptr<clsObjects>& side,
                           bool markPrimaryOnly) {
    side = std::make_shared<clsObjects>();
    auto rs = required(cn).OpenSchema(adSchemaTables);
    if (!rs->Eof())
        rs->MoveFirst();
    while (!rs->Eof()) {
        auto object = objectOfRow(*rs);
        if (markPrimaryOnly && !TableExistInTwo(object->Obj_Name()))
            object->Status(2);
        side->Add(object, object->Obj_Key());
        rs->MoveNext();
        showActivity(kAnalyzingTables + object->Obj_Name());
    }
    rs->Close();
    return true;
}

bool clsEngine::LoadFieldsPri() {
    loadFields(CnPrimary.get(), *TablesPri);
    return true;
}

bool clsEngine::LoadFieldsSec() {
    loadFields(CnSecondary.get(), *TablesSec);
    return true;
}

void clsEngine::loadFields(Connection* cn, const clsObjects& side) {
    const qint32 count = side.Count();
    for (qint32 i = 1; i <= count; ++i) {
        auto object = side.Item(i);
        if (object->xType() != kTable)
            continue;
        auto rs = required(cn).OpenSchema(adSchemaColumns,
                                          {QVariant(), QVariant(), object->Obj_Name(), QVariant()});
        auto fields = object->Fields();
        if (!fields)
            throw VantorError(err::ObjectNotSet,
                              QStringLiteral("Object variable or With block variable not set"));
        while (!rs->Eof()) {
            const QString name = rs->Fields(schemacol::ColumnName).Value().toString();
            const qint16 size =
                LengthToInt16(rs->Fields(schemacol::CharacterMaximumLength).Value());
            const qint16 type = VariantToInt16(rs->Fields(schemacol::DataType).Value());
            const bool nullable = VariantToBool(rs->Fields(schemacol::IsNullable).Value());
            fields->Add(name, type, size, false, nullable, false, false, 0, 0, name);
            rs->MoveNext();
        }
        rs.reset();
        showActivity(kAnalyzingTables + object->Obj_Name());
    }
}

bool clsEngine::LoadViewsPri() {
    return loadViews(CnPrimary.get(), *TablesPri);
}

bool clsEngine::LoadViewsSec() {
    return loadViews(CnSecondary.get(), *TablesSec);
}

bool clsEngine::loadViews(Connection* cn, const clsObjects& side) {
    auto rs = required(cn).OpenSchema(adSchemaViews);
    while (!rs->Eof()) {
        const QString name = rs->Fields(schemacol::TableName).Value().toString();
        const QString definition = rs->Fields(schemacol::ViewDefinition).Value().toString();
        // A view whose name the primary database gives to another kind of object gets no text.
        auto known = Tables ? Tables->Item(QLatin1Char(':') + name) : nullptr;
        if (!known || known->xType() == kView) {
            if (auto target = side.Item(QLatin1Char(':') + name))
                target->Obj_Text(createViewText(name, definition));
            showActivity(QStringLiteral("Analyzing view: ") + name);
        }
        rs->MoveNext();
    }
    rs->Close();
    return true;
}

} // namespace vantor
