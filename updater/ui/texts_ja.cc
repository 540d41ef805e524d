// Japanese captions and texts. This file is UTF-8; the literals are compiled
// as UTF-8 bytes (checked in texts.cc).
#include "updater/ui/texts.h"
#include "updater/ui/texts_data.h"

namespace ui {
namespace texts_data {

CaptionList JapaneseCaptions(const std::string& model, const std::string& versionLabel) {
  const std::string update = model + " " + versionLabel + "へアップデート";
  return {
      {Component::FileItem, "ファイル(&F)"},
      {Component::FirmwareUpdateItem, update},
      {Component::WebBrowserItem, "Webブラウザ起動(&W)"},
      {Component::StopItem, "中断(&S)"},
      {Component::ExitItem, "終了(&X)"},
      {Component::ViewItem, "表示(&V)"},
      {Component::RefreshItem, "デバイスの検索(&F)"},
      {Component::HelpItem, "ヘルプ(&H)"},
      {Component::AboutItem, "バージョン情報(&A)..."},
      {Component::AdpterItem, "アダプター"},
      {Component::InterfacesItem, "アダプターの選択"},
      {Component::FirmUpdateButton, update},
      {Component::WebConfigButton, "Webブラウザ起動(&W)..."},
      {Component::StopButton, "中断"},
      {Component::ListColumn0, "IP アドレス"},
      {Component::ListColumn1, "MAC アドレス"},
      {Component::ListColumn2, "Version"},
      {Component::ListColumn3, "%"},
      {Component::ListColumn4, "状態"},
      {Component::ShowQJL01Item, "QJ-L01のみ表示する"},
      {Component::ShowQJL02Item, "QJ-L02のみ表示する"},
      {Component::ShowQJW02Item, "QJ-W02のみ表示する"},
      {Component::ShowQJW03Item, "QJ-W03のみ表示する"},
      {Component::ShowPXK60Item, "PX-K60のみ表示する"},
      {Component::ShowQJW04Item, "QJ-W04のみ表示する"},
      {Component::ShowQJL04Item, "QJ-L04のみ表示する"},
      {Component::ShowWX_Air0Item, "PX-K60II/K80のみ表示する"},
      {Component::ShowAllPOSDevicesItem, "POSプリンタを全て表示する"},
      {Component::ShowAllKAVRODevicesItem, "KAVRO製品を全て表示する"},
      {Component::SideBySideItem, "複数のボードを同時に更新"},
  };
}

}  // namespace texts_data

// Line breaks are kept as they have always been shown: most are CR LF, a few
// are a lone LF, and the not-ready message has LF before CR. A message box
// breaks the line at the LF in every case.
void TextTable::FillJapanese(const std::string& model, const std::string& versionLabel) {
  const std::string fixed = texts_data::kFixedModel;
  Clear();
  Set(TextKey::MsgCautionCaption, "注意");
  Set(TextKey::MsgUpdateTarget,
      model + "ファームウェアを " + versionLabel + " へ書き換えます。\r\n\r\n");
  Set(TextKey::MsgUpdateWarning,
      "書き換え実行中は、" + model +
          "が壊れる恐れがありますので、\r\n"
          "絶対にプリンタの電源を切ったりケーブルを外したりしないでください。\r\n"
          "※アップデートには３～１０分程度時間がかかります。\r\n"
          "\r\n"
          "書き換えを開始してよろしいですか？");
  Set(TextKey::MsgErrorCaption, "エラー");
  Set(TextKey::MsgUpdateError, "アップデート中にエラーが発生しました。\r\n\r\n");
  Set(TextKey::MsgNoResponse, " : デバイスから応答がありません。");
  Set(TextKey::MsgStopQuestion,
      "書き込みを開始していないデバイスをキャンセルします。\r\n"
      "\r\n"
      "書き込み中のデバイスはそのまま書き込みを\r\n"
      "続行しますのでしばらくお待ちください。\r\n"
      "\r\n"
      "中断してよろしいですか？");
  Set(TextKey::MsgAbortQuestion, "現在 " + model + "ファームウェアを書き込み中です。\n" + model +
                                     "が壊れる恐れがあります。\r\n"
                                     "\r\n"
                                     "本当に書き込みを中断してよろしいでしょうか？");
  Set(TextKey::MsgSuccess, "アップデートが成功しました。");
  Set(TextKey::MsgInfoCaption, "情報");
  Set(TextKey::MsgNotReady,
      "印字できない状態のプリンタが選択されています。\n\r"
      "プリンタを印刷可能な状態にしてください。");
  Set(TextKey::MsgSameVersion, "ファームウェアデータが" + fixed +
                                   "のバージョンと同じです。\r\n"
                                   "\r\n"
                                   "同じバージョンへ上書きしてよろしいですか？");
  Set(TextKey::MsgOlderPrefix, "ファームウェアデータが\r\nIPアドレス : ");
  Set(TextKey::MsgMacPrefix, "MACアドレス : ");
  Set(TextKey::MsgDowngradeQuestion, " の" + fixed +
                                         "のバージョンより古いです。\r\n"
                                         "\r\n"
                                         "ダウングレードを本当に実行しますか？");
  Set(TextKey::MsgReceiveFailed, " : データ受信に失敗しました。");
  Set(TextKey::MsgSessionFailed, " : セッションの作成に失敗しました。");
  Set(TextKey::MsgSendFailed, " : データ送信に失敗しました。");
  Set(TextKey::MsgFirewallRegister,
      "本ツールでファームウェアを書き換えるには、Windowsファイアウォールに例外として登録が必要です"
      "。"
      "\r\n"
      "例外として登録しないと、Windowsファイアウォールにより一部の通信がブロックされ、"
      "機能が制限されることがあります。\r\n"
      "\r\n"
      "Windowsファイアウォールに" +
          model + "ファームウェアアップデートツールを例外として登録しますか？");
  Set(TextKey::MsgFirewallBlocked,
      "コンピューターを保護するため、このプログラムの機能の一部がWindows "
      "ファイアウォールでブロックされています。\n"
      "機能を利用するためには、Windows ファイアウォールの例外登録をした上で、" +
          model + "ファームウェアアップデートツールを再起動する必要があります。");
  Set(TextKey::MsgOnlyFrom200,
      model + " " + versionLabel +
          " へアップデートするには、\r\nQJ-L04 Ver.2.00～2.04 からのみ可能です。");
  Set(TextKey::MsgOnlyFrom1xx,
      model + " " + versionLabel +
          " へアップデートするには、\r\nQJ-L04 Ver.1.xxと2.1x からのみ可能です。");
  Set(TextKey::MsgWifiSpecA,
      "Wi-Fi仕様が異なるプリンタにアップデートしようとしています。\r\n"
      "DW-Q01とDW-Q06のみ動作し、DW-Q02が動作しなくなります。\r\n"
      "アップデートを続けてよろしいでしょうか？");
  Set(TextKey::MsgWifiSpecB,
      "Wi-Fi仕様が異なるプリンタにアップデートしようとしています。\r\n"
      "DW-Q02とDW-Q06のみ動作し、DW-Q01が動作しなくなります。\r\n"
      "アップデートを続けてよろしいでしょうか？");
  Set(TextKey::StatusSending, "ファームウェアデータ送信中");
  Set(TextKey::StatusUpdating, "ファームウェア書き換え中");
  Set(TextKey::StatusChecking, "書き換え確認中");
  Set(TextKey::StatusFinish, "終了");
  Set(TextKey::StatusErrorFinish, "エラー終了");
  Set(TextKey::MsgBatchCount, "更新済み: %1台、失敗: %2台、未開始: %3台");
  filled_ = true;
}

}  // namespace ui
