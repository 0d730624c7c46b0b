object F: TDashGaugeForm
  ClientWidth = 64
  ClientHeight = 48
  Color = clBlack
  Font.Style = [fsBold, fsItalic]
  OnCreate = FormCreate
# a comment
  object G: TRoundGauge
    Left = -5
    Width = 100000
    Height = 0
    Min = 10
    Max = 10
    Caption = 'a'#39'b'#$e9 + 
      'c'
    Data = {0A0B0C}
    Items.Strings = (
      'one'
      'two')
  end
end
