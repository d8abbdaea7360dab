#include "app/failure_text.h"

#include <cerrno>
#include <cstring>

namespace zelko {
namespace {

// The system's reasons a user can act on, in Japanese; others keep the system's own words.
QString SystemReason(int err) {
  switch (err) {
    case ENOENT:
      return "ファイルまたはフォルダーがありません";
    case EACCES:
    case EPERM:
      return "アクセスが許可されていません";
    case ENOSPC:
      return "ディスクの空き容量が足りません";
#ifdef EDQUOT
    case EDQUOT:
      return "ディスクの使用量が上限に達しています";
#endif
    case EROFS:
      return "読み取り専用の場所です";
    case EISDIR:
      return "フォルダーです";
    case ENOTDIR:
      return "パスの途中がフォルダーではありません";
    case ENAMETOOLONG:
      return "名前が長すぎます";
    case EIO:
      return "入出力エラーが発生しました";
    case EBUSY:
    case ETXTBSY:
      return "ほかのプログラムが使用中です";
    default:
      return QString::fromLocal8Bit(std::strerror(err));
  }
}

}  // namespace

QString FailureReason(const Failure& f) {
  const QString path = QString::fromStdString(f.Path);
  const QString because = "（" + SystemReason(f.Errno) + "）";
  switch (f.Kind) {
    case FailureKind::None:
      return "";
    case FailureKind::Open:
      return "ファイル " + path + " を開けません" + because + "。";
    case FailureKind::NotRegularFile:
      return path + " は通常のファイルではありません。";
    case FailureKind::TooLarge:
      return "ファイル " + path + " は大きすぎます。";
    case FailureKind::Read:
      return "ファイル " + path + " を読み取れません" + because + "。";
    case FailureKind::NoFileName:
      return "ファイル名がありません。";
    case FailureKind::NotWritable:
      return "ファイル " + path + " は書き込みが許可されていません。";
    case FailureKind::CreateTemporary:
      return "ファイル " + path + " のフォルダーに新しいファイルを作れません" + because + "。";
    case FailureKind::Write:
      return "ファイル " + path + " に書き込めません" + because + "。";
    case FailureKind::Replace:
      return "ファイル " + path + " を置き換えられません" + because + "。";
    case FailureKind::Damaged:
      return "ファイルの内容が正しくないか、途中で切れています。";
    case FailureKind::NotProject:
      return "Zelkoのプロジェクトファイルではありません。";
    case FailureKind::Unwritable:
      return "ファイルの形式に収まらない値があります。";
  }
  return "";
}

QString WithReason(const QString& message, const Failure& failure) {
  const QString reason = FailureReason(failure);
  return reason.isEmpty() ? message : message + "\n" + reason;
}

}  // namespace zelko
