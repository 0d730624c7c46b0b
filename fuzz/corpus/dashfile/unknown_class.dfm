object F: TDashGaugeForm
  ClientWidth = 200
  ClientHeight = 100
  object X: TNoSuchGauge
    Left = 1
  end
end
