<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DropFiles</name>
    <message>
        <source>「AVI、MP4、MOV、MKV、WMV、FLV、MPG、TS、VOB、3GP」など動画ファイル以外には対応しておりません</source>
        <translation>Only video files, such as AVI, MP4, MOV, MKV, WMV, FLV, MPG, TS, VOB and 3GP, can be added.</translation>
    </message>
</context>
<context>
    <name>JobState</name>
    <message>
        <source>変換待ち</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>変換中</source>
        <translation>Converting</translation>
    </message>
    <message>
        <source>変換完了</source>
        <translation>Converted</translation>
    </message>
    <message>
        <source>転送完了</source>
        <translation>Transferred</translation>
    </message>
    <message>
        <source>変換失敗</source>
        <translation>Failed</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>予期しないエラーが発生しました.</source>
        <translation>An unexpected error occurred.</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <source>%1 を削除できませんでした</source>
        <translation>Could not delete %1</translation>
    </message>
    <message>
        <source>%1時間%2分%3秒</source>
        <translation>%1:%2:%3</translation>
    </message>
    <message>
        <source>%1までの動画を変換完了</source>
        <translation>Converted up to %1</translation>
    </message>
    <message numerus="yes">
        <source> (%1% 残り約%n秒)</source>
        <translation>
            <numerusform> (%1%, about %n second left)</numerusform>
            <numerusform> (%1%, about %n seconds left)</numerusform>
        </translation>
    </message>
    <message>
        <source> (%1% 残り約%2分%3秒)</source>
        <translation> (%1%, about %2 min %3 s left)</translation>
    </message>
    <message>
        <source> (%1% 残り約%2時間%3分)</source>
        <translation> (%1%, about %2 h %3 min left)</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>変換完了、WALKMANへの転送が完了した動画はリストから削除されます</source>
        <translation>Converted and transferred videos are removed from the list.</translation>
    </message>
    <message>
        <source>変換する動画をリストに追加してください</source>
        <translation>Add the videos to convert to the list.</translation>
    </message>
    <message>
        <source>WALKMAN本体がパソコンに接続(USBモード)されていません。<byte value="xd"/>
ご確認の上もう一度実行してください。</source>
        <translation>The WALKMAN is not connected to the computer (USB mode).<byte value="xd"/>
Check the connection and try again.</translation>
    </message>
    <message>
        <source>変換を中止してよろしいですか？</source>
        <translation>Stop converting?</translation>
    </message>
    <message>
        <source>変換が完了しました</source>
        <translation>Conversion complete.</translation>
    </message>
    <message>
        <source>変換・WALKMANへの転送が完了しました</source>
        <translation>Conversion and transfer to the WALKMAN complete.</translation>
    </message>
    <message>
        <source>WALKMANの空き容量が不足したため、転送できなかった動画があります</source>
        <translation>Some videos were not transferred: the WALKMAN ran out of space.</translation>
    </message>
    <message>
        <source>保存先の空き容量が不足したため、変換できなかった動画があります</source>
        <translation>Some videos were not converted: the output folder ran out of space.</translation>
    </message>
    <message>
        <source>WALKMANが取り外されたため、転送できなかった動画があります</source>
        <translation>Some videos were not transferred: the WALKMAN was disconnected.</translation>
    </message>
    <message>
        <source>保存先に書き込めなかったため、変換できなかった動画があります</source>
        <translation>Some videos were not converted: the output folder could not be written to.</translation>
    </message>
</context>
<context>
    <name>SleepInhibitor</name>
    <message>
        <source>動画を変換しています</source>
        <translation>Converting videos</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>既に起動しています</source>
        <translation>Movarin is already running.</translation>
    </message>
</context>
<context>
    <name>TFormConfig</name>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>最高画質</source>
        <translation>Best quality</translation>
    </message>
    <message>
        <source>高画質</source>
        <translation>High quality</translation>
    </message>
    <message>
        <source>標準画質</source>
        <translation>Standard quality</translation>
    </message>
    <message>
        <source>低画質</source>
        <translation>Low quality</translation>
    </message>
    <message>
        <source>標準（４：３）</source>
        <translation>Standard (4:3)</translation>
    </message>
    <message>
        <source>ワイド（１６：９）</source>
        <translation>Wide (16:9)</translation>
    </message>
    <message>
        <source>画質設定</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>画面比率</source>
        <translation>Screen shape</translation>
    </message>
    <message>
        <source>保存先</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>変換後に保存先を開く</source>
        <translation>Open the output folder after converting</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存先を選択してください</source>
        <translation>Choose the output folder</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>焼き込まない</source>
        <translation>Don&apos;t burn in</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>変更は次回の起動から有効になります</source>
        <translation>Takes effect the next time Movarin starts</translation>
    </message>
    <message>
        <source>字幕</source>
        <translation>Subtitles</translation>
    </message>
    <message>
        <source>音量をそろえる</source>
        <translation>Even out volume</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
</context>
<context>
    <name>TFormMain</name>
    <message>
        <source>変換リスト</source>
        <translation>Conversion list</translation>
    </message>
    <message>
        <source>ファイル追加</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>DVD追加</source>
        <translation>Add DVD</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>MP4変換</source>
        <translation>Convert to MP4</translation>
    </message>
    <message>
        <source>WALKMAN転送</source>
        <translation>Transfer to WALKMAN</translation>
    </message>
    <message>
        <source>MP3変換</source>
        <translation>Convert to MP3</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>フォルダを読み込んでいます…</source>
        <translation>Reading folders…</translation>
    </message>
    <message>
        <source>変換リストから除外するファイルを選択してください</source>
        <translation>Select the files to remove from the conversion list.</translation>
    </message>
    <message>
        <source>選択したファイルを変換リストから除外しますか？</source>
        <translation>Remove the selected files from the conversion list?</translation>
    </message>
    <message>
        <source>変換中は終了できません。変換を中止してから終了してください。</source>
        <translation>Movarin cannot quit while converting. Stop the conversion first, then quit.</translation>
    </message>
</context>
<context>
    <name>TFormSelectDVD</name>
    <message>
        <source>チャプター選択画面</source>
        <translation>Select Chapters</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>チャプター</source>
        <translation>Chapters</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>全選択</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>全選択解除</source>
        <translation>Deselect all</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ドライブにディスクを挿入してください</source>
        <translation>Insert a disc into the drive.</translation>
    </message>
    <message>
        <source>チャプターを選択してください</source>
        <translation>Select one or more chapters.</translation>
    </message>
</context>
<context>
    <name>VideoFiles</name>
    <message>
        <source>動画ファイル</source>
        <translation>Video files</translation>
    </message>
</context>
</TS>
