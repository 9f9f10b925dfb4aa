#include "core/Result.h"

#include <QTest>

#include <variant>

class TestResult : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valueOrError()
    {
        const Result<int> made = 42;
        QVERIFY(made.ok() && static_cast<bool>(made));
        QCOMPARE(*made, 42);
        QVERIFY_THROWS_EXCEPTION(std::bad_variant_access, (void)made.error());

        const Result<int> failed = RuntimeError::overflow();
        QVERIFY(!failed.ok() && !failed);
        QCOMPARE(failed.error().description(), QStringLiteral("オーバーフローしました。"));
        QVERIFY_THROWS_EXCEPTION(std::bad_variant_access, (void)failed.value());
    }

    // A step that makes nothing succeeds by default; a failure passes up unchanged.
    void nothingOrError()
    {
        const Result<> done;
        QVERIFY(done.ok());
        QVERIFY_THROWS_EXCEPTION(std::bad_optional_access, (void)done.error());

        const auto step = []() -> Result<> {
            const Result<QString> inner = RuntimeError(QStringLiteral("理由"));
            if (!inner)
                return inner.error();
            return {};
        };
        const Result<> passed = step();
        QVERIFY(!passed.ok());
        QCOMPARE(passed.error().description(), QStringLiteral("理由"));
        QVERIFY(RuntimeError::undescribed().description().isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestResult)
#include "tst_result.moc"
